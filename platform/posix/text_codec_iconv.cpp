// Code-page conversion for POSIX systems through iconv; the narrow code page is the locale's code
// set.

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "platform/text_codec_backend.h"

namespace platform::backend {
namespace {

struct CodePageName {
  CodePage codePage;
  const char* iconvName;
};

// Windows code-page numbers and the iconv converters that implement them. Several Mac code pages
// of East Asian scripts are the matching national standards in another packaging.
constexpr CodePageName kCodePages[] = {
    {437, "IBM437"},
    {850, "IBM850"},
    {866, "CP866"},
    {874, "CP874"},
    {932, "CP932"},
    {936, "CP936"},
    {949, "CP949"},
    {950, "CP950"},
    {1250, "CP1250"},
    {1251, "CP1251"},
    {1252, "CP1252"},
    {1253, "CP1253"},
    {1254, "CP1254"},
    {1255, "CP1255"},
    {1256, "CP1256"},
    {1257, "CP1257"},
    {1258, "CP1258"},
    {1361, "JOHAB"},
    {10000, "MACINTOSH"},
    {10001, "SHIFT_JIS"},
    {10002, "BIG5"},
    {10003, "EUC-KR"},
    {10007, "MAC-CYRILLIC"},
    {10008, "EUC-CN"},
    {10029, "MAC-CENTRALEUROPE"},
    {10079, "MAC-IS"},
    {20127, "ASCII"},
    {20932, "EUC-JP"},
    {20936, "GB2312"},
    {20949, "EUC-KR"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28595, "ISO-8859-5"},
    {28597, "ISO-8859-7"},
    {28605, "ISO-8859-15"},
    {50220, "ISO-2022-JP"},
    {51932, "EUC-JP"},
    {51936, "EUC-CN"},
    {51949, "EUC-KR"},
    {54936, "GB18030"},
    {65001, "UTF-8"},
    {1200, "UTF-16LE"},
};

const char* IconvName(CodePage codePage) {
  for (const CodePageName& entry : kCodePages) {
    if (entry.codePage == codePage) return entry.iconvName;
  }
  return nullptr;
}

// Converters are cached per thread: iconv descriptors carry shift state and are not shareable.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [key, cd] : converters_) {
      if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
  }
  iconv_t Get(const char* to, const char* from) {
    auto key = std::make_pair(std::string(to), std::string(from));
    auto it = converters_.find(key);
    if (it == converters_.end()) it = converters_.emplace(key, iconv_open(to, from)).first;
    iconv_t cd = it->second;
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
  }

 private:
  std::map<std::pair<std::string, std::string>, iconv_t> converters_;
};

iconv_t Converter(const char* to, const char* from) {
  thread_local ConverterCache cache;
  return cache.Get(to, from);
}

}  // namespace

CodePage SystemAnsiCodePage() {
  static const CodePage codePage = [] {
    locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return kUtf8CodePage;
    std::string codeset = nl_langinfo_l(CODESET, loc);
    freelocale(loc);
    // The plain C locale says ASCII; every current POSIX system treats text as UTF-8 there.
    if (codeset == "ANSI_X3.4-1968" || codeset == "ASCII" || codeset == "UTF-8") {
      return kUtf8CodePage;
    }
    if (codeset == "GBK") return kGbkCodePage;
    for (const CodePageName& entry : kCodePages) {
      if (codeset == entry.iconvName) return entry.codePage;
    }
    return kUtf8CodePage;
  }();
  return codePage;
}

std::optional<std::u16string> DecodeToUtf16(std::string_view bytes, CodePage codePage) {
  const char* name = IconvName(codePage);
  if (name == nullptr) return std::nullopt;
  iconv_t cd = Converter("UTF-16LE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;

  std::u16string out;
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    for (char* p = buffer; p + 1 < outPtr; p += 2) {
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                          (static_cast<unsigned char>(p[1]) << 8)));
    }
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // An invalid or incomplete sequence: one replacement character for its first byte.
    out.push_back(0xFFFD);
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::optional<std::string> EncodeCharacter(std::u16string_view character, CodePage codePage,
                                           bool& noConverter) {
  const char* name = IconvName(codePage);
  iconv_t cd = name ? Converter(name, "UTF-16LE") : reinterpret_cast<iconv_t>(-1);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    noConverter = true;
    return std::nullopt;
  }
  char input[4];
  for (std::size_t i = 0; i < character.size(); ++i) {
    input[2 * i] = static_cast<char>(character[i] & 0xFF);
    input[2 * i + 1] = static_cast<char>(character[i] >> 8);
  }
  char* in = input;
  std::size_t inLeft = character.size() * 2;
  char buffer[16];
  char* outPtr = buffer;
  std::size_t outLeft = sizeof buffer;
  if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
    return std::nullopt;
  }
  // Stateful encodings (ISO-2022) return to their initial shift state after each character.
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  return std::string(buffer, outPtr);
}

}  // namespace platform::backend
