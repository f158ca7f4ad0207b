#include "engine/discovery/cdr_font_table.h"

#include <utility>

#include "engine/discovery/cdr_fonts.h"

namespace corvid {
namespace {

constexpr std::uint64_t kChunkHeaderSize = 8;  // tag, 32-bit size
constexpr std::uint64_t kListHeaderSize = 12;  // "LIST", size, list type
constexpr std::uint64_t kReferenceSize = 16;
constexpr std::uint64_t kRecordNameOffset = 18;  // font id, character set, 14 bytes

std::uint32_t Le32(const Byte* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
         std::uint32_t{at[3]} << 24;
}

}  // namespace

std::vector<CdrStreamReference> FindCdrFontReferences(const Byte* bytes, std::uint64_t size) {
  std::vector<CdrStreamReference> references;
  const Byte* end = bytes + size;
  if (size < kListHeaderSize || !MatchesAt(bytes, end, "RIFF")) return references;
  // A list's children follow its type directly and end where it ends, so the walk needs no
  // stack: entering a list is stepping over its header only.
  std::uint64_t at = kListHeaderSize;
  while (at <= size && size - at >= kChunkHeaderSize) {
    const Byte* chunk = bytes + at;
    if (MatchesAt(chunk, end, "LIST") || MatchesAt(chunk, end, "RIFF")) {
      if (size - at < kListHeaderSize) break;
      at += kListHeaderSize;
      continue;
    }
    const std::uint64_t body = Le32(chunk + 4);
    if (body > size - at - kChunkHeaderSize) break;  // cut off or damaged
    if (body == kReferenceSize && MatchesAt(chunk, end, "font")) {
      const Byte* reference = chunk + kChunkHeaderSize;
      references.push_back({Le32(reference), Le32(reference + 4), Le32(reference + 8)});
    }
    at += kChunkHeaderSize + body + (body & 1);
  }
  return references;
}

std::vector<std::string> ParseCdrDataFileList(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    std::size_t newline = list.find('\n');
    std::string_view line = list.substr(0, newline);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    names.emplace_back(line);
    list.remove_prefix(newline == std::string_view::npos ? list.size() : newline + 1);
  }
  return names;
}

std::string CdrDataStreamMember(std::string_view name) {
  return "content/data/" + std::string(name);
}

void AddCdrFontTableRecord(std::string_view stream, const CdrStreamReference& reference,
                           DocumentFontSet& set) {
  const std::uint64_t offset = reference.offset;
  const std::uint64_t length = reference.length;
  if (offset > stream.size() || length > stream.size() - offset) return;  // past the end
  if (length < kRecordNameOffset + 2) return;  // no room for the name's first unit
  const Byte* record = reinterpret_cast<const Byte*>(stream.data()) + offset;
  std::u16string name = ReadCdrWideName(record + kRecordNameOffset, record + length);
  if (!name.empty()) InsertCdrWideName(std::move(name), set);
}

}  // namespace corvid
