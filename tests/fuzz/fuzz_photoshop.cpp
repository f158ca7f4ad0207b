// Fuzz target: the font lists of Photoshop documents (the one-line list of older versions and the
// text engine's lists of newer ones) read from any bytes.

#include <cstddef>
#include <cstdint>

#include "engine/discovery/marker_scans.h"
#include "engine/discovery/photoshop_font_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvid::DocumentFontSet set;
  corvid::ScanPhotoshopFontSet(data, size, set);
  corvid::ScanPhotoshopFontLists(data, size, set);
  return 0;
}
