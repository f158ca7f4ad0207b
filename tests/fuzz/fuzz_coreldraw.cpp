// Fuzz target: the font tables of CorelDRAW documents, read from any bytes both as the RIFF file
// of older versions and as the ZIP container of newer ones.

#include <cstddef>
#include <cstdint>

#include "engine/discovery/cdr_container.h"
#include "engine/discovery/cdr_fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvid::DocumentFontSet set;
  corvid::ExtractCdrFonts(data, size, set);
  if (corvid::IsCdrZipContainer(data, size)) corvid::ExtractCdrContainerFonts(data, size, set);
  return 0;
}
