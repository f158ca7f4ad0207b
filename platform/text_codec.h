// Conversion between narrow text in a code page and UTF-16.
//
// Code pages are named by their Windows numbers everywhere in Tessaro, because documents and font
// files name their encodings that way. kAnsiCodePage stands for the system's narrow ("ANSI") code
// page: on Windows the active code page, on POSIX the code set of the user's locale (UTF-8 where
// the locale is the plain C locale). Every function here is thread-safe.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

using CodePage = unsigned;

inline constexpr CodePage kAnsiCodePage = 0;
inline constexpr CodePage kUtf16LeCodePage = 1200;
inline constexpr CodePage kAsciiCodePage = 20127;
inline constexpr CodePage kUtf8CodePage = 65001;
inline constexpr CodePage kGbkCodePage = 936;

// Makes kAnsiCodePage stand for `codePage` in this process from now on (kAnsiCodePage restores the
// system's own). Lets tests and tools run the double-byte cases on a UTF-8 system.
void SetAnsiCodePage(CodePage codePage);

// The code page that kAnsiCodePage stands for right now (never kAnsiCodePage itself).
CodePage ResolveCodePage(CodePage codePage);

// Decodes `bytes` in `codePage` into UTF-16. A byte sequence that is not valid in the code page
// becomes U+FFFD. The result holds at most `maxUnits` units, cut before a character that would
// not fit. Returns nullopt when this system has no converter for the code page.
std::optional<std::u16string> MultiByteToWide(std::string_view bytes, CodePage codePage,
                                              std::size_t maxUnits = std::u16string::npos);

// Encodes UTF-16 `text` in `codePage`. A character the code page cannot represent (and an
// unpaired surrogate) becomes `defaultChar`. The result holds at most `maxBytes` bytes, cut before
// a character that would not fit. Returns nullopt when there is no converter for the code page.
std::optional<std::string> WideToMultiByte(std::u16string_view text, CodePage codePage,
                                           std::size_t maxBytes = std::string::npos,
                                           char defaultChar = '?');

// Converts narrow text from one code page to another through UTF-16; nullopt without a converter.
std::optional<std::string> ConvertCodePage(std::string_view bytes, CodePage from, CodePage to);

}  // namespace platform
