// The engine's export GetLackFontNames: document fonts minus installed fonts, as a comma list.

#include "engine/include/corvid/corvid.h"

#include <vector>

#include "engine/discovery/document_fonts.h"
#include "engine/discovery/installed_fonts.h"
#include "engine/discovery/lack_font_list.h"

extern "C" CORVID_API void CORVID_CALL GetLackFontNames(const char* documentPath, char* nameBuffer,
                                                        int* bufferLength) {
  if (nameBuffer == nullptr || bufferLength == nullptr || *bufferLength < 1) return;
  try {
    corvid::DocumentFontSet documentFonts;
    if (documentPath != nullptr) corvid::ExtractDocumentFonts(documentPath, documentFonts);
    std::vector<std::string> missing = corvid::ComputeLackFonts(documentFonts);
    corvid::WriteLackFontList(missing, nameBuffer, bufferLength);
  } catch (...) {
    // Out of memory: nothing is reported through the buffer rather than a crash of the caller.
    *bufferLength = 0;
  }
}
