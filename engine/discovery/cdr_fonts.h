// Font names of CorelDRAW documents, from the font records inside their compressed chunks.
#pragma once

#include <cstdint>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// Adds the names of the font records of every "cmpr" chunk of the document's bytes.
void ExtractCdrFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set);

}  // namespace corvid
