// Code-page conversion for Windows through the system's own converters (MultiByteToWideChar and
// WideCharToMultiByte); the narrow code page is the active ANSI code page.
#ifdef _WIN32

#include <windows.h>

#include <climits>
#include <string>

#include "platform/text_codec_backend.h"

namespace platform::backend {
namespace {

// Code pages whose converters take no flags: stateful and algorithmic ones. Their invalid
// sequences are left to the converter, and representability is checked by a round trip.
bool TakesNoFlags(CodePage codePage) {
  return codePage == 42 || (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
         (codePage >= 57002 && codePage <= 57011) || codePage == 65000;
}

// Decodes `bytes` whole; nullopt when the converter refuses them (an invalid sequence).
std::optional<std::u16string> DecodeStrict(const char* bytes, int size, CodePage codePage,
                                           DWORD flags) {
  std::u16string out;
  if (size == 0) return out;
  int units = MultiByteToWideChar(codePage, flags, bytes, size, nullptr, 0);
  if (units <= 0) return std::nullopt;
  out.resize(static_cast<std::size_t>(units));
  MultiByteToWideChar(codePage, flags, bytes, size, reinterpret_cast<wchar_t*>(out.data()), units);
  return out;
}

}  // namespace

CodePage SystemAnsiCodePage() { return GetACP(); }

std::optional<std::u16string> DecodeToUtf16(std::string_view bytes, CodePage codePage) {
  if (!IsValidCodePage(codePage)) return std::nullopt;
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  const int size = static_cast<int>(bytes.size());
  if (TakesNoFlags(codePage)) {
    std::optional<std::u16string> text = DecodeStrict(bytes.data(), size, codePage, 0);
    return text ? text : std::u16string();
  }
  // Without MB_ERR_INVALID_CHARS the converters put their own default character (not always
  // U+FFFD) for what is invalid, so the text is decoded strictly, and piece by piece only where
  // the whole is refused.
  if (std::optional<std::u16string> whole =
          DecodeStrict(bytes.data(), size, codePage, MB_ERR_INVALID_CHARS)) {
    return whole;
  }
  CPINFO info{};
  const int longest = GetCPInfo(codePage, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 1;
  std::u16string out;
  out.reserve(bytes.size());
  int i = 0;
  while (i < size) {
    // The shortest sequence from here that is one valid character.
    bool decoded = false;
    for (int length = 1; length <= longest && i + length <= size; ++length) {
      if (std::optional<std::u16string> ch =
              DecodeStrict(bytes.data() + i, length, codePage, MB_ERR_INVALID_CHARS)) {
        out += *ch;
        i += length;
        decoded = true;
        break;
      }
    }
    if (!decoded) {
      out.push_back(
          0xFFFD);  // for the first byte of the invalid sequence; the next one starts over
      ++i;
    }
  }
  return out;
}

std::optional<std::string> EncodeCharacter(std::u16string_view character, CodePage codePage,
                                           bool& noConverter) {
  if (!IsValidCodePage(codePage)) {
    noConverter = true;
    return std::nullopt;
  }
  const char16_t first = character[0];
  if (character.size() == 1 && first >= 0xD800 && first <= 0xDFFF) return std::nullopt;
  const auto* wide = reinterpret_cast<const wchar_t*>(character.data());
  const int units = static_cast<int>(character.size());
  char buffer[16];
  if (TakesNoFlags(codePage)) {
    int n = WideCharToMultiByte(codePage, 0, wide, units, buffer, sizeof buffer, nullptr, nullptr);
    if (n <= 0) return std::nullopt;
    std::optional<std::u16string> back = DecodeStrict(buffer, n, codePage, 0);
    if (!back || *back != character) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
  }
  // No best fit: a character the code page lacks is not replaced by a look-alike ("é" by "e"),
  // it is reported, and the caller puts its default character.
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, units, buffer, sizeof buffer,
                              nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace platform::backend

#endif  // _WIN32
