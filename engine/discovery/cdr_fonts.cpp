#include "engine/discovery/cdr_fonts.h"

namespace corvid {

// The chunk reader is not built yet: CorelDRAW documents contribute no names.
void ExtractCdrFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set) {}

}  // namespace corvid
