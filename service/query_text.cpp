#include "service/query_text.h"

namespace tessaro::service {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      decoded.push_back(text[i]);
    }
  }
  return decoded;
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      encoded.push_back(static_cast<char>(c));
    } else {
      encoded += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return encoded;
}

std::string_view RawQuery(std::string_view target) {
  size_t question = target.find('?');
  return question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
}

std::optional<std::string_view> LeadingValue(std::string_view query, std::string_view key,
                                             std::string_view endMarker) {
  if (query.size() <= key.size() || query.substr(0, key.size()) != key ||
      query[key.size()] != '=') {
    return std::nullopt;
  }
  std::string_view value = query.substr(key.size() + 1);
  if (!endMarker.empty()) {
    if (size_t end = value.rfind(endMarker); end != std::string_view::npos) {
      value = value.substr(0, end);
    }
  }
  return value;
}

std::vector<std::string> SplitFontNames(std::string_view decoded) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < decoded.size()) {
    size_t comma = decoded.find(',', start);
    if (comma == std::string_view::npos) {
      names.emplace_back(decoded.substr(start));
      break;
    }
    names.emplace_back(decoded.substr(start, comma - start));
    start = comma + 1;
  }
  return names;
}

}  // namespace tessaro::service
