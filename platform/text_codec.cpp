#include "platform/text_codec.h"

#include <atomic>

#include "platform/text_codec_backend.h"

namespace platform {
namespace {

std::atomic<CodePage> g_ansiOverride{kAnsiCodePage};

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Strict UTF-8 decoding: overlong forms, surrogates and code points past U+10FFFF are invalid,
// and each invalid byte becomes one U+FFFD.
std::u16string DecodeUtf8(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  std::size_t i = 0;
  while (i < in.size()) {
    unsigned char b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((b & 0xE0) == 0xC0) {
      extra = 1, cp = b & 0x1F, minimum = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, cp = b & 0x0F, minimum = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, cp = b & 0x07, minimum = 0x10000;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    bool ok = i + static_cast<std::size_t>(extra) < in.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char c = static_cast<unsigned char>(in[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return out;
}

// Appends the UTF-8 form of one character; nullopt for an unpaired surrogate.
std::optional<std::string> EncodeUtf8(std::u16string_view ch) {
  char32_t cp = ch[0];
  if (ch.size() == 2) {
    cp = 0x10000 + ((cp - 0xD800) << 10) + (ch[1] - 0xDC00);
  } else if (IsHighSurrogate(ch[0]) || IsLowSurrogate(ch[0])) {
    return std::nullopt;
  }
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

std::u16string DecodeUtf16Le(std::string_view in) {
  std::u16string out;
  out.reserve(in.size() / 2);
  for (std::size_t i = 0; i + 1 < in.size(); i += 2) {
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(in[i]) |
                                        (static_cast<unsigned char>(in[i + 1]) << 8)));
  }
  return out;
}

// Length of the character that starts at `i`: 2 for a proper surrogate pair, else 1.
std::size_t CharacterLength(std::u16string_view text, std::size_t i) {
  if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) return 2;
  return 1;
}

}  // namespace

void SetAnsiCodePage(CodePage codePage) { g_ansiOverride.store(codePage); }

CodePage ResolveCodePage(CodePage codePage) {
  if (codePage != kAnsiCodePage) return codePage;
  CodePage overridden = g_ansiOverride.load();
  return overridden != kAnsiCodePage ? overridden : backend::SystemAnsiCodePage();
}

std::optional<std::u16string> MultiByteToWide(std::string_view bytes, CodePage codePage,
                                              std::size_t maxUnits) {
  codePage = ResolveCodePage(codePage);
  std::optional<std::u16string> text;
  if (codePage == kUtf8CodePage) {
    text = DecodeUtf8(bytes);
  } else if (codePage == kUtf16LeCodePage) {
    text = DecodeUtf16Le(bytes);
  } else {
    text = backend::DecodeToUtf16(bytes, codePage);
  }
  if (text && text->size() > maxUnits) {
    std::size_t keep = 0;
    while (keep < text->size()) {
      std::size_t len = CharacterLength(*text, keep);
      if (keep + len > maxUnits) break;
      keep += len;
    }
    text->resize(keep);
  }
  return text;
}

std::optional<std::string> WideToMultiByte(std::u16string_view text, CodePage codePage,
                                           std::size_t maxBytes, char defaultChar) {
  codePage = ResolveCodePage(codePage);
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharacterLength(text, i);
    std::u16string_view ch = text.substr(i, len);
    std::optional<std::string> encoded;
    if (codePage == kUtf8CodePage) {
      encoded = EncodeUtf8(ch);
    } else if (codePage == kUtf16LeCodePage) {
      encoded.emplace();
      for (char16_t u : ch) {
        encoded->push_back(static_cast<char>(u & 0xFF));
        encoded->push_back(static_cast<char>(u >> 8));
      }
    } else {
      bool noConverter = false;
      encoded = backend::EncodeCharacter(ch, codePage, noConverter);
      if (noConverter) return std::nullopt;
    }
    if (!encoded) encoded = std::string(1, defaultChar);
    if (out.size() + encoded->size() > maxBytes) break;
    out += *encoded;
    i += len;
  }
  return out;
}

std::optional<std::string> ConvertCodePage(std::string_view bytes, CodePage from, CodePage to) {
  std::optional<std::u16string> wide = MultiByteToWide(bytes, from);
  if (!wide) return std::nullopt;
  return WideToMultiByte(*wide, to);
}

}  // namespace platform
