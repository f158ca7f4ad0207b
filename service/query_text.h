// Reading the query texts that the client sends, and writing the addresses of our own pages.
//
// The client percent-encodes a whole UTF-8 address but leaves "&", "=", "?", "/", ":", "-" and
// "." of a font name as they are. A query like "fn=A&B&fz=1" therefore cannot be split at every
// "&": the service reads the raw query text itself, by the rules below, instead of as key=value
// pairs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro::service {

// Every "%XX" (two hexadecimal digits, either case) becomes the byte XX; everything else,
// "+" included, is kept. A "%" not followed by two hexadecimal digits is kept as it is.
std::string PercentDecode(std::string_view text);

// Encodes every byte except letters, digits, "-", ".", "_" and "~" as "%XX", for addresses that
// the service's own pages link to. PercentDecode gives the text back.
std::string PercentEncode(std::string_view text);

// The query of a request target: what follows its first "?", or empty.
std::string_view RawQuery(std::string_view target);

// When `query` starts with `key` + "=", the value after it, up to the end of the query or, when
// `endMarker` is given, up to its last occurrence (such as "&fz="); nullopt otherwise.
// The value is returned percent-encoded, as received.
std::optional<std::string_view> LeadingValue(std::string_view query, std::string_view key,
                                             std::string_view endMarker = {});

// The names of a font query: the decoded text split at ",". Each name is followed by a comma,
// so a final empty piece is not a name: "A,B," and "A,B" give A and B, "" gives no name, and
// "A,,B," gives A, "" and B.
std::vector<std::string> SplitFontNames(std::string_view decoded);

}  // namespace tessaro::service
