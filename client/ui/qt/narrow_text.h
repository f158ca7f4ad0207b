// Between Qt's text and the client's narrow text, which is in the ANSI code page
// (platform::kAnsiCodePage): the workflows, the engine and the log all use narrow text.
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace tessaro {

// Narrow ANSI text as a QString; bytes that are not valid in the code page become U+FFFD.
QString FromAnsi(const std::string& text);

// A QString as narrow ANSI text; nullopt when a character has no form in the code page (a path
// with such a character could not be opened through the narrow interfaces).
std::optional<std::string> ToAnsi(const QString& text);

}  // namespace tessaro
