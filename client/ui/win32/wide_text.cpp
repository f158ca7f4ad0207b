#include "client/ui/win32/wide_text.h"

#include <string_view>

#include "platform/text_codec.h"

namespace tessaro {
namespace {

std::wstring Widen(std::string_view bytes, platform::CodePage codePage) {
  const std::u16string wide = platform::MultiByteToWide(bytes, codePage).value_or(u"");
  return std::wstring(wide.begin(), wide.end());
}

std::u16string Narrow16(const std::wstring& text) {
  return std::u16string(text.begin(), text.end());
}

// One line of a workflow text.
std::wstring FromWorkflowLine(const std::string& line) {
  if (IsUtf8(line)) return FromUtf8(line);
  for (std::size_t colon = line.find(": "); colon != std::string::npos;
       colon = line.find(": ", colon + 1)) {
    const std::string reason = line.substr(colon);
    if (IsUtf8(reason)) return FromAnsi(line.substr(0, colon)) + FromUtf8(reason);
  }
  return FromAnsi(line);
}

}  // namespace

std::wstring FromAnsi(const std::string& text) { return Widen(text, platform::kAnsiCodePage); }

std::wstring FromUtf8(const std::string& text) { return Widen(text, platform::kUtf8CodePage); }

std::wstring FromWorkflowText(const std::string& text) {
  std::wstring wide;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\n', start);
    wide += FromWorkflowLine(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    wide += L'\n';
    start = end + 1;
  }
  return wide;
}

std::optional<std::string> ToAnsi(const std::wstring& text) {
  // A character without an ANSI form comes back as another one: compare the round trip.
  std::optional<std::string> narrow =
      platform::WideToMultiByte(Narrow16(text), platform::kAnsiCodePage);
  if (!narrow || FromAnsi(*narrow) != text) return std::nullopt;
  return narrow;
}

std::string ToUtf8(const std::wstring& text) {
  return platform::WideToMultiByte(Narrow16(text), platform::kUtf8CodePage).value_or("");
}

bool IsUtf8(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    char32_t least = 0;  // the smallest character of that length: shorter forms are invalid
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, least = 0x10000;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    char32_t character = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      character = (character << 6) | (next & 0x3F);
    }
    if (character < least || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace tessaro
