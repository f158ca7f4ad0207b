// The members of a CorelDRAW ZIP container, through libarchive's streaming ZIP reader (local
// headers, read from the front: no central directory needed), from the bytes in memory.

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <string_view>

#include "engine/discovery/cdr_container.h"

namespace corvid {
namespace {

struct ReaderDeleter {
  void operator()(archive* reader) const { archive_read_free(reader); }
};

const char* EntryName(archive_entry* entry) {
  const char* name = archive_entry_pathname(entry);
  return name != nullptr ? name : archive_entry_pathname_utf8(entry);
}

enum class ReadResult { kWhole, kDamaged, kTooLarge };

// Appends the current member's data to `out`, never letting `total` pass `limit`.
ReadResult ReadMemberData(archive* reader, std::string& out, std::uint64_t& total,
                          std::uint64_t limit) {
  while (true) {
    const void* block = nullptr;
    std::size_t size = 0;
    la_int64_t offset = 0;
    int status = archive_read_data_block(reader, &block, &size, &offset);
    if (status == ARCHIVE_EOF) return ReadResult::kWhole;
    // A warning ends the member: its checksum or sizes do not match what the header says, and
    // all of its data have been delivered.
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN) return ReadResult::kDamaged;
    if (total > limit || size > limit - total) return ReadResult::kTooLarge;
    out.append(static_cast<const char*>(block), size);
    total += size;
    if (status == ARCHIVE_WARN) return ReadResult::kWhole;
  }
}

}  // namespace

std::vector<CdrContainerMember> ReadCdrContainerMembers(
    const Byte* bytes, std::uint64_t size, const std::function<bool(std::string_view)>& wanted,
    std::uint64_t limit) {
  std::vector<CdrContainerMember> members;
  std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
  if (!reader || size == 0) return members;
  archive_read_support_format_zip_streamable(reader.get());
  if (archive_read_open_memory(reader.get(), bytes, static_cast<std::size_t>(size)) != ARCHIVE_OK) {
    return members;
  }
  std::uint64_t total = 0;
  while (true) {
    archive_entry* entry = nullptr;
    int status = archive_read_next_header(reader.get(), &entry);
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN) break;
    const char* name = EntryName(entry);
    if (name == nullptr || archive_entry_filetype(entry) != AE_IFREG || !wanted(name)) {
      continue;  // libarchive steps over the data of a member that is not read
    }
    CdrContainerMember member{name, {}};
    ReadResult result = ReadMemberData(reader.get(), member.bytes, total, limit);
    if (result == ReadResult::kTooLarge) break;
    // A member that did not inflate is left out; the next header may still be readable.
    if (result == ReadResult::kWhole) members.push_back(std::move(member));
  }
  return members;
}

}  // namespace corvid
