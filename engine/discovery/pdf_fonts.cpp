#include "engine/discovery/pdf_fonts.h"

namespace corvid {

// The rewrite is not built yet: the direct scan of the document is all there is.
void ExtractPdfFonts(const std::string& path, DocumentFontSet& set) {}

}  // namespace corvid
