#include "engine/discovery/cdr_metadata_fonts.h"

#include <cstdint>
#include <optional>
#include <string>

#include "engine/discovery/cdr_fonts.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

// One markup item of the text: a tag, or something to step over (comment, declaration,
// processing instruction).
struct Markup {
  std::size_t begin = 0;  // the '<'
  std::size_t end = 0;    // just after the '>', or the text's end when there is none
  bool isTag = false;
  bool closing = false;
  bool selfClosing = false;
  std::string_view localName;  // the name after its prefix ("li" of "rdf:li")
};

Markup ReadMarkup(std::string_view xml, std::size_t begin) {
  Markup markup;
  markup.begin = begin;
  std::string_view rest = xml.substr(begin);
  auto endAfter = [&](std::string_view terminator) {
    std::size_t at = rest.find(terminator);
    return at == std::string_view::npos ? xml.size() : begin + at + terminator.size();
  };
  if (rest.starts_with("<!--")) {
    markup.end = endAfter("-->");
    return markup;
  }
  if (rest.starts_with("<?")) {
    markup.end = endAfter("?>");
    return markup;
  }
  if (rest.starts_with("<!")) {
    markup.end = endAfter(">");
    return markup;
  }
  markup.end = endAfter(">");
  markup.isTag = true;
  std::size_t at = 1;
  if (at < rest.size() && rest[at] == '/') {
    markup.closing = true;
    ++at;
  }
  std::size_t nameEnd = rest.find_first_of(" \t\r\n/>", at);
  if (nameEnd == std::string_view::npos) nameEnd = rest.size();
  std::string_view name = rest.substr(at, nameEnd - at);
  std::size_t colon = name.rfind(':');
  markup.localName = colon == std::string_view::npos ? name : name.substr(colon + 1);
  const std::size_t length = markup.end - begin;
  markup.selfClosing =
      !markup.closing && length >= 2 && xml[markup.end - 2] == '/' && xml[markup.end - 1] == '>';
  return markup;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The character a reference ("amp", "#38", "#x26") stands for, or nullopt when it is none.
std::optional<std::uint32_t> ResolveReference(std::string_view reference) {
  const struct {
    std::string_view name;
    char character;
  } entities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& entity : entities) {
    if (reference == entity.name) return static_cast<std::uint32_t>(entity.character);
  }
  if (reference.size() < 2 || reference[0] != '#') return std::nullopt;
  const bool hex = reference[1] == 'x';
  std::string_view digits = reference.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t code = 0;
  for (char c : digits) {
    int digit = c >= '0' && c <= '9'          ? c - '0'
                : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                              : -1;
    if (digit < 0) return std::nullopt;
    code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    if (code > 0x10FFFF) return std::nullopt;
  }
  if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  return code;
}

// The item's text with its references decoded; a reference that is none stays as written.
std::string DecodeText(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    std::size_t amp = text.find('&');
    out += text.substr(0, amp);
    if (amp == std::string_view::npos) break;
    text.remove_prefix(amp);
    std::size_t semicolon = text.find(';');
    std::optional<std::uint32_t> code;
    if (semicolon != std::string_view::npos) code = ResolveReference(text.substr(1, semicolon - 1));
    if (code) {
      AppendUtf8(*code, out);
      text.remove_prefix(semicolon + 1);
    } else {
      out += '&';
      text.remove_prefix(1);
    }
  }
  return out;
}

void InsertItem(std::string_view text, DocumentFontSet& set) {
  std::string utf8 = DecodeText(text);
  if (utf8.empty()) return;
  std::optional<std::u16string> wide = platform::MultiByteToWide(utf8, platform::kUtf8CodePage);
  if (wide) InsertCdrWideName(std::move(*wide), set);
}

}  // namespace

void ScanCdrMetadataFonts(std::string_view xml, DocumentFontSet& set) {
  bool inFonts = false;
  // Where the text of the list item being read begins, once its start tag has been seen.
  constexpr std::size_t kNoItem = std::string_view::npos;
  std::size_t itemText = kNoItem;
  std::size_t at = xml.find('<');
  while (at != std::string_view::npos) {
    const Markup markup = ReadMarkup(xml, at);
    if (!markup.isTag) {
      itemText = kNoItem;  // an item holding a comment or a section names no font
    } else {
      if (markup.localName == "FontsUsed" && !markup.selfClosing) {
        inFonts = !markup.closing;
        itemText = kNoItem;
      } else if (inFonts && markup.localName == "li" && markup.closing) {
        if (itemText != kNoItem) InsertItem(xml.substr(itemText, markup.begin - itemText), set);
        itemText = kNoItem;
      } else if (inFonts && markup.localName == "li" && !markup.selfClosing) {
        itemText = markup.end;
      } else {
        itemText = kNoItem;  // an item holding other elements names no font
      }
    }
    at = xml.find('<', markup.end);
  }
}

}  // namespace corvid
