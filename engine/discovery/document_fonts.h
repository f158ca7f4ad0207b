// Collecting the font names a design document uses.
#pragma once

#include <string>

#include "engine/discovery/document_font_set.h"

namespace corvid {

// Empties `set`, maps the document at `path` read-only, recognises its kind from its bytes and
// fills `set` with the names its extractors find. A document that cannot be opened or mapped, an
// empty one and one of no known kind leave the set empty. No name holds a comma: each is cut at
// its first comma. Photoshop's invisible placeholder font "AdobeInvisFont" is left out of a
// Photoshop document's fonts. The document is never written.
void ExtractDocumentFonts(const std::string& path, DocumentFontSet& set);

}  // namespace corvid
