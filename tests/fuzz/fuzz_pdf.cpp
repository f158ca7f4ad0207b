// Fuzz target: the font names of PDF and Illustrator documents, from the direct marker scan and
// from the in-memory rewrite, read from any bytes.

#include <cstddef>
#include <cstdint>

#include "engine/discovery/marker_scans.h"
#include "engine/discovery/pdf_fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvid::DocumentFontSet set;
  corvid::ScanFontNameMarkers(data, size, set);
  corvid::ExtractPdfFonts(data, size, set);
  return 0;
}
