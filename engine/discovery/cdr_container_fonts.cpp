// The fonts of a CorelDRAW ZIP container: the font table of its drawing, whichever of the two
// layouts it has, and the fonts its metadata file lists.

#include <algorithm>
#include <set>

#include "engine/discovery/cdr_container.h"
#include "engine/discovery/cdr_font_table.h"
#include "engine/discovery/cdr_fonts.h"
#include "engine/discovery/cdr_metadata_fonts.h"

namespace corvid {
namespace {

constexpr std::string_view kRiffDrawing = "content/riffData.cdr";
constexpr std::string_view kRootMember = "content/root.dat";
constexpr std::string_view kDataFileList = "content/dataFileList.dat";

bool IsStructureMember(std::string_view name) {
  if (name == kRiffDrawing || name == kRootMember || name == kDataFileList) return true;
  return std::find(std::begin(kCdrMetadataMembers), std::end(kCdrMetadataMembers), name) !=
         std::end(kCdrMetadataMembers);
}

// The first member of that name, or nullptr.
const CdrContainerMember* FindMember(const std::vector<CdrContainerMember>& members,
                                     std::string_view name) {
  for (const CdrContainerMember& member : members) {
    if (member.name == name) return &member;
  }
  return nullptr;
}

std::uint64_t TotalSize(const std::vector<CdrContainerMember>& members) {
  std::uint64_t total = 0;
  for (const CdrContainerMember& member : members) total += member.bytes.size();
  return total;
}

const Byte* AsBytes(const std::string& bytes) {
  return reinterpret_cast<const Byte*>(bytes.data());
}

// The font table of X6 and later: the references of the root member, resolved in the data
// streams they name, which are read now and only if some reference names them.
void AddFontTable(const Byte* bytes, std::uint64_t size,
                  const std::vector<CdrContainerMember>& structure, DocumentFontSet& set) {
  const CdrContainerMember* root = FindMember(structure, kRootMember);
  const CdrContainerMember* list = FindMember(structure, kDataFileList);
  if (root == nullptr || list == nullptr) return;
  const std::vector<CdrStreamReference> references =
      FindCdrFontReferences(AsBytes(root->bytes), root->bytes.size());
  const std::vector<std::string> streams = ParseCdrDataFileList(list->bytes);
  std::set<std::string, std::less<>> wanted;
  for (const CdrStreamReference& reference : references) {
    if (reference.stream < streams.size()) {
      wanted.insert(CdrDataStreamMember(streams[reference.stream]));
    }
  }
  if (wanted.empty()) return;
  const std::vector<CdrContainerMember> data = ReadCdrContainerMembers(
      bytes, size, [&](std::string_view name) { return wanted.contains(name); },
      kMaxContainerContentBytes - std::min(kMaxContainerContentBytes, TotalSize(structure)));
  for (const CdrStreamReference& reference : references) {
    if (reference.stream >= streams.size()) continue;  // a stream the list does not name
    const CdrContainerMember* stream =
        FindMember(data, CdrDataStreamMember(streams[reference.stream]));
    if (stream != nullptr) AddCdrFontTableRecord(stream->bytes, reference, set);
  }
}

}  // namespace

void ExtractCdrContainerFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set) {
  const std::vector<CdrContainerMember> structure =
      ReadCdrContainerMembers(bytes, size, IsStructureMember);
  if (const CdrContainerMember* riff = FindMember(structure, kRiffDrawing)) {
    ExtractCdrFonts(AsBytes(riff->bytes), riff->bytes.size(), set);
  }
  AddFontTable(bytes, size, structure, set);
  for (std::string_view name : kCdrMetadataMembers) {
    if (const CdrContainerMember* metadata = FindMember(structure, name)) {
      ScanCdrMetadataFonts(metadata->bytes, set);
    }
  }
}

}  // namespace corvid
