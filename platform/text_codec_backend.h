// The one primitive a backend supplies to text_codec.cpp: conversion through the platform's own
// converters for code pages other than UTF-8 and UTF-16, which the shared code handles itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace platform::backend {

// The system's narrow code page (what kAnsiCodePage stands for when not overridden).
CodePage SystemAnsiCodePage();

// Decodes one whole text; invalid sequences become U+FFFD. nullopt without a converter.
std::optional<std::u16string> DecodeToUtf16(std::string_view bytes, CodePage codePage);

// Encodes one character (one code point, given as its UTF-16 units). Returns nullopt when the
// character cannot be represented, and sets `noConverter` when the code page has no converter.
std::optional<std::string> EncodeCharacter(std::u16string_view character, CodePage codePage,
                                           bool& noConverter);

}  // namespace platform::backend
