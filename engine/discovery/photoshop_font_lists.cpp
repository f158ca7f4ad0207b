#include "engine/discovery/photoshop_font_lists.h"

#include <cstring>
#include <optional>

#include "platform/text_codec.h"

namespace corvid {
namespace {

constexpr std::string_view kListKey = "/FontSet";
// A font name takes a few dozen bytes. A string of a font list longer than this is an unclosed
// parenthesis running on into other data: the list is given up there.
constexpr std::size_t kMaxListStringBytes = 64 * 1024;
// Entries hold a dictionary or two; nesting deeper than this is damage.
constexpr int kMaxDepth = 32;

bool IsWhiteSpace(Byte b) {
  return b == ' ' || b == '\t' || b == '\r' || b == '\n' || b == '\f' || b == '\0';
}

bool IsDelimiter(Byte b) {
  return b == '(' || b == ')' || b == '<' || b == '>' || b == '[' || b == ']' || b == '{' ||
         b == '}' || b == '/';
}

std::string_view Text(const Byte* from, const Byte* to) {
  return std::string_view(reinterpret_cast<const char*>(from), static_cast<std::size_t>(to - from));
}

enum class TokenKind {
  kEnd,      // the end of the block, also inside a string or a hex string
  kDamaged,  // a string too long to be a font list's
  kName,     // /Key: the text without its slash
  kString,   // (…): the text between the outer parentheses, escapes not yet decoded
  kDictOpen,
  kDictClose,
  kArrayOpen,
  kArrayClose,
  kProcOpen,   // {
  kProcClose,  // }
  kOther,      // numbers, booleans, hex strings, stray closing delimiters
};

struct Token {
  TokenKind kind;
  std::string_view text = {};
};

// Splits the bytes from `from` into PostScript tokens; never reads at or past `end`.
class Tokenizer {
 public:
  Tokenizer(const Byte* from, const Byte* end) : p_(from), end_(end) {}

  Token Next() {
    while (p_ < end_ && IsWhiteSpace(*p_)) ++p_;
    if (p_ == end_) return {TokenKind::kEnd};
    switch (*p_) {
      case '(':
        return String();
      case '<':
        if (end_ - p_ >= 2 && p_[1] == '<') {
          p_ += 2;
          return {TokenKind::kDictOpen};
        }
        return HexString();
      case '>':
        if (end_ - p_ >= 2 && p_[1] == '>') {
          p_ += 2;
          return {TokenKind::kDictClose};
        }
        ++p_;
        return {TokenKind::kOther};
      case '[':
        ++p_;
        return {TokenKind::kArrayOpen};
      case ']':
        ++p_;
        return {TokenKind::kArrayClose};
      case '{':
        ++p_;
        return {TokenKind::kProcOpen};
      case '}':
        ++p_;
        return {TokenKind::kProcClose};
      case ')':
        ++p_;
        return {TokenKind::kOther};
      case '/':
        ++p_;
        return {TokenKind::kName, Regular()};
      default:
        return {TokenKind::kOther, Regular()};
    }
  }

 private:
  // The bytes up to the next white space or delimiter.
  std::string_view Regular() {
    const Byte* start = p_;
    while (p_ < end_ && !IsWhiteSpace(*p_) && !IsDelimiter(*p_)) ++p_;
    return Text(start, p_);
  }

  // A string: balanced parentheses nest, a backslash protects the byte after it.
  Token String() {
    const Byte* body = ++p_;
    int depth = 1;
    while (p_ < end_) {
      if (static_cast<std::size_t>(p_ - body) > kMaxListStringBytes) return {TokenKind::kDamaged};
      Byte b = *p_++;
      if (b == '\\') {
        if (p_ < end_) ++p_;
      } else if (b == '(') {
        ++depth;
      } else if (b == ')' && --depth == 0) {
        return {TokenKind::kString, Text(body, p_ - 1)};
      }
    }
    return {TokenKind::kEnd};
  }

  Token HexString() {
    ++p_;
    const void* close = std::memchr(p_, '>', static_cast<std::size_t>(end_ - p_));
    if (close == nullptr) {
      p_ = end_;
      return {TokenKind::kEnd};
    }
    p_ = static_cast<const Byte*>(close) + 1;
    return {TokenKind::kOther};
  }

  const Byte* p_;
  const Byte* end_;
};

void InsertFontName(std::string_view body, DocumentFontSet& set) {
  std::string bytes = DecodePostScriptString(body);
  if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      char16_t unit =
          static_cast<char16_t>(static_cast<Byte>(bytes[i]) << 8 | static_cast<Byte>(bytes[i + 1]));
      if (unit == 0) break;  // the name ends at a NUL, as every scanned name does
      units.push_back(unit);
    }
    std::optional<std::string> narrow =
        platform::WideToMultiByte(units, platform::kAnsiCodePage, kMaxScannedNameBytes);
    if (narrow) InsertName(set, *narrow);
    return;
  }
  InsertName(set, bytes);
}

TokenKind CloserOf(TokenKind open) {
  switch (open) {
    case TokenKind::kDictOpen:
      return TokenKind::kDictClose;
    case TokenKind::kArrayOpen:
      return TokenKind::kArrayClose;
    default:
      return TokenKind::kProcClose;
  }
}

// Reads the entries of one list; `tokens` stands after its "[". Returns at the list's "]", or
// where the list shows itself damaged: at the end of the block, at a key or a ">>" where an
// entry should begin, at a closing bracket that does not pair, or at the key of the next list.
void ReadFontList(Tokenizer& tokens, DocumentFontSet& set) {
  TokenKind closers[kMaxDepth];  // the brackets open inside the list, as the tokens closing them
  int depth = 0;
  bool keyNext = true;   // at the top of an entry: a key comes next, else the key's value
  bool nameKey = false;  // the last key at the top of the entry is /Name
  while (true) {
    const Token token = tokens.Next();
    const bool inEntry = depth == 1 && closers[0] == TokenKind::kDictClose;
    switch (token.kind) {
      case TokenKind::kEnd:
      case TokenKind::kDamaged:
        return;
      case TokenKind::kDictOpen:
      case TokenKind::kArrayOpen:
      case TokenKind::kProcOpen:
        if (depth == kMaxDepth) return;
        if (depth == 0) keyNext = true;  // a new entry begins
        closers[depth++] = CloserOf(token.kind);
        break;
      case TokenKind::kDictClose:
      case TokenKind::kArrayClose:
      case TokenKind::kProcClose:
        if (depth == 0 || closers[depth - 1] != token.kind) return;
        --depth;
        if (depth == 1) keyNext = true;  // a dictionary or array value has ended
        break;
      case TokenKind::kName:
        if (depth == 0 || token.text == "FontSet") return;
        if (inEntry) {
          if (keyNext) nameKey = token.text == "Name";
          keyNext = !keyNext;
        }
        break;
      case TokenKind::kString:
        if (inEntry && !keyNext) {
          if (nameKey) InsertFontName(token.text, set);
          keyNext = true;
        }
        break;
      case TokenKind::kOther:
        if (inEntry && !keyNext) keyNext = true;
        break;
    }
  }
}

}  // namespace

std::string DecodePostScriptString(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\\') {
      out.push_back(body[i]);
      continue;
    }
    if (++i == body.size()) break;  // a backslash with nothing after it stands for nothing
    const char e = body[i];
    switch (e) {
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'b':
        out.push_back('\b');
        break;
      case 'f':
        out.push_back('\f');
        break;
      case '\r':  // the string goes on on the next line
        if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
        break;
      case '\n':
        break;
      default:
        if (e >= '0' && e <= '7') {
          int value = e - '0';
          for (int digits = 1;
               digits < 3 && i + 1 < body.size() && body[i + 1] >= '0' && body[i + 1] <= '7';
               ++digits) {
            value = value * 8 + (body[++i] - '0');
          }
          out.push_back(static_cast<char>(value & 0xFF));
        } else {
          out.push_back(e);  // \\ \( \) and every other byte stand for themselves
        }
    }
  }
  return out;
}

void ScanPhotoshopFontLists(const Byte* bytes, std::uint64_t length, DocumentFontSet& set) {
  const Byte* end = bytes + length;
  const Byte* p = bytes;
  while (p < end) {
    const Byte* key = FindFirst(p, end, kListKey);
    if (key == end) return;
    p = key + kListKey.size();
    if (p < end && !IsWhiteSpace(*p) && !IsDelimiter(*p)) continue;  // a longer key
    Tokenizer tokens(p, end);
    if (tokens.Next().kind != TokenKind::kArrayOpen) continue;  // the one-line dictionary form
    ReadFontList(tokens, set);
    // The search goes on after the key, not after the list: a list that ran on past a damage
    // must not hide the lists behind it.
  }
}

}  // namespace corvid
