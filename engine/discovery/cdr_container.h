// CorelDRAW documents of version X4 and later: a ZIP container instead of a RIFF file.
//
// The drawing lies in members under "content/": in the first container versions (X4, X5) the
// whole RIFF drawing as "content/riffData.cdr", with the same "cmpr" chunks and font records as
// the RIFF files of older versions; from X6 on "content/root.dat", whose "font" chunks refer to
// the font table's records in the data streams "content/data/*.dat" (see cdr_font_table.h).
// Beside the drawing, CorelDRAW lists the fonts it used in a metadata file (see
// cdr_metadata_fonts.h). Previews, colour profiles and embedded images play no part here.
//
// The members are read with libarchive's streaming ZIP reader, from the local headers onward,
// so that a container cut off before its central directory still gives the members before the
// cut. A member that cannot be inflated (damaged, encrypted) is left out and gives no names.
// IsCdrZipContainer (document_kind.h) tells such a container from other ZIPs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"
#include "engine/discovery/document_kind.h"

namespace corvid {

// The most bytes of members that are kept from one container, all members together: a
// hostile container cannot make the engine inflate gigabytes.
inline constexpr std::uint64_t kMaxContainerContentBytes = std::uint64_t{256} << 20;

struct CdrContainerMember {
  std::string name;   // as stored in the container ("content/root.dat")
  std::string bytes;  // the inflated contents
};

// The members of a ZIP container whose names `wanted` accepts, in their order in the container,
// inflated; the others are stepped over and not kept. A member whose data cannot be inflated
// (damaged, or encrypted) is left out and the reading goes on with the next header; it ends at
// the first header that cannot be read. A member whose checksum does not match is kept as it
// inflated. Once the members read hold `limit` bytes, the member that would go past is left out
// and the reading ends. Never fails: damaged bytes give fewer members, or none. Thread-safe.
std::vector<CdrContainerMember> ReadCdrContainerMembers(
    const Byte* bytes, std::uint64_t size, const std::function<bool(std::string_view)>& wanted,
    std::uint64_t limit = kMaxContainerContentBytes);

// Adds the fonts of the container's drawing: the font records of "content/riffData.cdr" (read
// as ExtractCdrFonts reads a RIFF document), the font table that "content/root.dat" refers to,
// and the names the metadata file lists as used. Wide names are converted to the ANSI code page
// as InsertCdrWideName does, so that one font gives one name from every source. The members are
// read in two passes within one budget of kMaxContainerContentBytes: first the drawing's
// structure and the metadata, then only the data streams that the font chunks refer to. A
// missing, damaged or encrypted member, a reference to a stream the list does not name and a
// record past its stream's end give no names; the other sources still give theirs. Nothing is
// printed and no exception leaves. Thread-safe.
void ExtractCdrContainerFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set);

}  // namespace corvid
