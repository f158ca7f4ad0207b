// CorelDRAW documents of version X4 and later: a ZIP container instead of a RIFF file.
//
// The drawing lies in members under "content/": "content/root.dat" with "content/data/*.dat"
// (listed in "content/dataFileList.dat"), or, in the first container versions, the whole RIFF
// drawing as "content/riffData.cdr". Previews, colour profiles, embedded images and metadata lie
// beside it and play no part here. The drawing's records are read by libcdr, which reports the
// text it finds through librevenge's drawing interface; the fonts named by the text's paragraphs
// and spans are the document's fonts.
//
// The members are read with libarchive's streaming ZIP reader, from the local headers onward,
// so that a container cut off before its central directory still gives the members before the
// cut. A member that cannot be inflated is left out; libcdr then reads what remains.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// The most bytes of members that are kept from one container, all members together: a
// hostile container cannot make the engine inflate gigabytes.
inline constexpr std::uint64_t kMaxContainerContentBytes = std::uint64_t{256} << 20;

// True when the bytes are a ZIP container (they begin with a local file header) holding a
// drawing member, "content/root.dat" or "content/riffData.cdr". The member is looked for in the
// central directory, found from the end record in the last 64 KiB of the bytes; when there is no
// central directory that can be walked (a cut-off or damaged container), in the local file
// headers, found by the member's name. A ZIP whose central directory is whole and lists no
// drawing member is another kind of ZIP: false. Reads only inside the bytes; thread-safe.
bool IsCdrZipContainer(const Byte* bytes, std::uint64_t size);

struct CdrContainerMember {
  std::string name;   // as stored in the container ("content/root.dat")
  std::string bytes;  // the inflated contents
};

// The members under "content/" of a ZIP container, in their order in the container, inflated.
// A member whose data cannot be inflated is left out and the reading goes on with the next
// header; it ends at the first header that cannot be read. A member whose checksum does not
// match is kept as it inflated. Once the members read hold kMaxContainerContentBytes, the member
// that would go past is left out and the reading ends. Never fails: damaged bytes give fewer
// members, or none. Thread-safe.
std::vector<CdrContainerMember> ReadCdrContainerMembers(const Byte* bytes, std::uint64_t size);

// Adds the fonts that the text of the drawing in the container uses: the "style:font-name" and
// "fo:font-name" of every paragraph, list element and text span that libcdr reports, converted
// from UTF-8 to the ANSI code page (a character without an ANSI form becomes '?') and cut to 259
// bytes. Damaged or foreign bytes add the names of what libcdr could read, or none; nothing is
// printed and no exception leaves. Thread-safe as far as libcdr is.
void ExtractCdrContainerFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set);

}  // namespace corvid
