// The texts of the windows: the workflows' narrow texts as the wide text that Win32 shows, and
// back.
//
// The workflows hand the window two kinds of narrow text. Font names and paths are in the ANSI
// code page, as the engine and the file system give them. The workflows' own texts (cell texts,
// messages, captions) are written in UTF-8; a message line about one font is "<font>: <reason>",
// the font's name in ANSI text and the reason in UTF-8. On a system whose ANSI code page is
// UTF-8 the two are one.
#pragma once

#include <optional>
#include <string>

namespace tessaro {

// ANSI text (names, paths) as wide text; a byte that is no character becomes U+FFFD.
std::wstring FromAnsi(const std::string& text);

// UTF-8 text as wide text; a byte that is no character becomes U+FFFD.
std::wstring FromUtf8(const std::string& text);

// A text the workflows wrote (a cell, a message, a caption) as wide text: each line in UTF-8
// when it is valid UTF-8, else as "<font>: <reason>" with the font in ANSI text and the reason in
// UTF-8 (split at the first ": " after which the line is valid UTF-8), else in ANSI text.
std::wstring FromWorkflowText(const std::string& text);

// Wide text as ANSI text; nullopt when a character has no ANSI form (the engine could not be given
// that name or path).
std::optional<std::string> ToAnsi(const std::wstring& text);

// Wide text as UTF-8 (an unpaired surrogate becomes "?").
std::string ToUtf8(const std::wstring& text);

// True when `bytes` is valid UTF-8 (ASCII included).
bool IsUtf8(const std::string& bytes);

}  // namespace tessaro
