// Font names of PDF and Illustrator documents that only a rewrite of the file shows.
#pragma once

#include <string>

#include "engine/discovery/document_font_set.h"

namespace corvid {

// Adds the font names found in a rewritten form of the PDF at `path` (objects out of compressed
// object streams). A file that cannot be read as a PDF adds nothing.
void ExtractPdfFonts(const std::string& path, DocumentFontSet& set);

}  // namespace corvid
