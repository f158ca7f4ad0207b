#include "engine/discovery/pdf_font_names.h"

#include <algorithm>

#include "platform/text_codec.h"

namespace corvid {
namespace {

// GB18030, the superset of the GBK code page (936) of Chinese Windows systems.
constexpr platform::CodePage kGb18030CodePage = 54936;

int HexValue(Byte b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  return -1;
}

bool IsOctalDigit(Byte b) { return b >= '0' && b <= '7'; }

std::optional<PdfNameOrString> ReadName(const Byte* at, const Byte* end) {
  const Byte* stop = at + 1;
  while (stop < end && !IsPdfWhiteSpace(*stop) && !IsPdfDelimiter(*stop)) ++stop;
  std::size_t size = std::min<std::size_t>(stop - (at + 1), kMaxPdfStringValueBytes);
  std::string bytes =
      DecodePdfNameEscapes(std::string_view(reinterpret_cast<const char*>(at + 1), size));
  return PdfNameOrString{std::move(bytes), stop};
}

std::optional<PdfNameOrString> ReadHexString(const Byte* at, const Byte* end) {
  std::string bytes;
  int high = -1;
  const Byte* limit = at + std::min<std::size_t>(end - at, 2 * kMaxPdfStringValueBytes + 2);
  for (const Byte* p = at + 1; p < limit; ++p) {
    if (*p == '>') {
      if (high >= 0) bytes.push_back(static_cast<char>(high << 4));  // an odd last digit: x0
      return PdfNameOrString{std::move(bytes), p + 1};
    }
    if (IsPdfWhiteSpace(*p)) continue;
    int digit = HexValue(*p);
    if (digit < 0) return std::nullopt;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<char>(high << 4 | digit));
      high = -1;
    }
  }
  return std::nullopt;
}

std::optional<PdfNameOrString> ReadLiteralString(const Byte* at, const Byte* end) {
  std::string bytes;
  int depth = 1;
  const Byte* limit = at + std::min<std::size_t>(end - at, kMaxPdfStringValueBytes + 2);
  const Byte* p = at + 1;
  while (p < limit) {
    Byte b = *p++;
    if (b == ')' && --depth == 0) return PdfNameOrString{std::move(bytes), p};
    if (b == '(') ++depth;
    if (b == '\r') {  // an end of line in any form is a line feed
      if (p < limit && *p == '\n') ++p;
      bytes.push_back('\n');
      continue;
    }
    if (b != '\\') {
      bytes.push_back(static_cast<char>(b));
      continue;
    }
    if (p == limit) break;
    Byte e = *p++;
    switch (e) {
      case 'n':
        bytes.push_back('\n');
        break;
      case 'r':
        bytes.push_back('\r');
        break;
      case 't':
        bytes.push_back('\t');
        break;
      case 'b':
        bytes.push_back('\b');
        break;
      case 'f':
        bytes.push_back('\f');
        break;
      case '\r':  // a backslash at the end of a line continues the string on the next
        if (p < limit && *p == '\n') ++p;
        break;
      case '\n':
        break;
      default:
        if (IsOctalDigit(e)) {
          int value = e - '0';
          for (int digits = 1; digits < 3 && p < limit && IsOctalDigit(*p); ++digits) {
            value = value * 8 + (*p++ - '0');
          }
          bytes.push_back(static_cast<char>(value & 0xFF));
        } else {
          bytes.push_back(static_cast<char>(e));  // \( \) \\ and an unknown escape: the byte
        }
    }
  }
  return std::nullopt;
}

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The UTF-16BE units of `bytes` (after its byte order mark), up to a NUL unit.
std::u16string Utf16BeUnits(std::string_view bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t unit =
        static_cast<char16_t>(static_cast<Byte>(bytes[i]) << 8 | static_cast<Byte>(bytes[i + 1]));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

std::string WideToNarrow(std::u16string_view text, std::size_t maxBytes) {
  std::optional<std::string> narrow =
      platform::WideToMultiByte(text, platform::kAnsiCodePage, maxBytes);
  return narrow ? *narrow : std::string();
}

bool HasSubsetTag(std::string_view name) {
  return name.size() >= 7 && name[6] == '+' &&
         std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; });
}

}  // namespace

std::optional<PdfNameOrString> ReadPdfNameOrString(const Byte* at, const Byte* end) {
  if (at >= end) return std::nullopt;
  switch (*at) {
    case '/':
      return ReadName(at, end);
    case '(':
      return ReadLiteralString(at, end);
    case '<':
      if (end - at >= 2 && at[1] == '<') return std::nullopt;  // a dictionary
      return ReadHexString(at, end);
    default:
      return std::nullopt;
  }
}

std::string DecodePdfNameEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '#' && i + 2 < text.size()) {
      int hi = HexValue(static_cast<Byte>(text[i + 1]));
      int lo = HexValue(static_cast<Byte>(text[i + 2]));
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

std::string NormalizePdfFontName(std::string_view bytes) {
  std::string text;
  if (bytes.substr(0, 2) == "\xFE\xFF") {
    text = WideToNarrow(Utf16BeUnits(bytes.substr(2)), std::string::npos);
  } else {
    bytes = bytes.substr(0, bytes.find('\0'));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
      std::optional<std::u16string> wide =
          platform::MultiByteToWide(bytes.substr(3), platform::kUtf8CodePage);
      if (wide) text = WideToNarrow(*wide, std::string::npos);
    } else {
      text = bytes;
    }
  }
  std::string_view name = text;
  if (HasSubsetTag(name)) name.remove_prefix(7);
  name = name.substr(0, name.find(','));
  return NameBytesToNarrow(name, kMaxScannedNameBytes);
}

std::string NameBytesToNarrow(std::string_view bytes, std::size_t maxBytes) {
  if (IsAscii(bytes)) return std::string(bytes.substr(0, maxBytes));
  // Valid in the narrow code page: decoded without a replacement character.
  std::optional<std::u16string> wide = platform::MultiByteToWide(bytes, platform::kAnsiCodePage);
  if (!wide) return std::string(bytes.substr(0, maxBytes));  // no converter: the bytes
  if (wide->find(u'\uFFFD') == std::u16string::npos) {
    if (bytes.size() <= maxBytes) return std::string(bytes);
    return WideToNarrow(*wide, maxBytes);
  }
  // A system without a GB18030 converter (Wine has none) reads them as GBK, whose two-byte
  // characters are GB18030's.
  std::optional<std::u16string> chinese = platform::MultiByteToWide(bytes, kGb18030CodePage);
  if (!chinese) chinese = platform::MultiByteToWide(bytes, platform::kGbkCodePage);
  if (!chinese) return std::string(bytes.substr(0, maxBytes));  // no converter: the bytes
  return WideToNarrow(*chinese, maxBytes);
}

bool IsStandardPdfFontName(std::string_view name) {
  static constexpr std::string_view kStandardFonts[] = {
      "Times-Roman", "Times-Bold",     "Times-Italic",      "Times-BoldItalic",
      "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
      "Courier",     "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
      "Symbol",      "ZapfDingbats",
  };
  return std::find(std::begin(kStandardFonts), std::end(kStandardFonts), name) !=
         std::end(kStandardFonts);
}

}  // namespace corvid
