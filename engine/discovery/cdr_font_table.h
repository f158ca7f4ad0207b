// The font table of CorelDRAW X6 and later, inside the ZIP container.
//
// The drawing's structure lies in "content/root.dat": a RIFF file (form "CDRH" and later) whose
// chunks hold no data of their own but 16-byte references into the data streams
// "content/data/<name>", named one per line, in stream order, by "content/dataFileList.dat".
// A reference is a stream index, a length and an offset, each a 32-bit little-endian number,
// and four bytes not read here; an index of 0xFFFFFFFF marks a chunk that keeps its few bytes in
// place of the offset. The document's fonts are the "font" chunks, wherever they lie in the
// lists; the record each refers to is a 16-bit font id, a 16-bit Windows character set, 14 bytes
// of font description, then the name in UTF-16LE ending with a zero unit. One font may have
// several records, one per character set; they give one name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// Where a record lies: in the data stream of index `stream`, `length` bytes from `offset`.
struct CdrStreamReference {
  std::uint32_t stream = 0;
  std::uint32_t length = 0;
  std::uint32_t offset = 0;

  friend bool operator==(const CdrStreamReference&, const CdrStreamReference&) = default;
};

// The references of the "font" chunks of a root member, in their order. The chunks are walked
// as RIFF from the header on: a "LIST" (or nested "RIFF") is entered, any other chunk is stepped
// over with its size, padded to an even count. Only "font" chunks whose body is exactly a
// reference (16 bytes) count. The walk ends at the end of the bytes, or at a chunk whose header
// or body does not fit in them (a damaged or cut root member gives the references before the
// damage). Bytes that do not begin with a RIFF header give none. Reads only inside the bytes;
// thread-safe.
std::vector<CdrStreamReference> FindCdrFontReferences(const Byte* bytes, std::uint64_t size);

// The stream names of a data file list, one per line ("\n", a "\r" before it is dropped), in
// order; the index of a name is its line number from 0. A last line without its line break
// counts, an empty last line after the final break does not.
std::vector<std::string> ParseCdrDataFileList(std::string_view list);

// The member that holds the data stream `name` of the list.
std::string CdrDataStreamMember(std::string_view name);

// Adds the font name of the record that `reference` locates in `stream` (the whole data stream).
// A record that lies partly or wholly past the end of the stream, that is too short to hold the
// first unit of its name, or whose name is empty, adds nothing. The name ends at its zero unit or
// at the record's end and goes through InsertCdrWideName. Thread-safe.
void AddCdrFontTableRecord(std::string_view stream, const CdrStreamReference& reference,
                           DocumentFontSet& set);

}  // namespace corvid
