#include "engine/discovery/document_fonts.h"

#include <optional>
#include <string_view>

#include "engine/discovery/cdr_container.h"
#include "engine/discovery/cdr_fonts.h"
#include "engine/discovery/document_kind.h"
#include "engine/discovery/marker_scans.h"
#include "engine/discovery/pdf_fonts.h"
#include "engine/discovery/photoshop_font_lists.h"
#include "platform/file_view.h"

namespace corvid {
namespace {

// Photoshop lists its own invisible placeholder font in the font set of every document with text
// (its text engine gives invisible characters that font). It is installed nowhere and offered by
// no service, so it is not one of the document's fonts: as a missing font it could never be had.
constexpr std::string_view kPhotoshopPlaceholderFont = "AdobeInvisFont";

// GetLackFontNames lists the names with a comma after each, so a name that holds a comma would
// reach the caller as two names ("Segoe UI,Bold" as "Segoe UI" and "Bold"). A name is cut at its
// first comma: in the "Family,Style" naming of fonts, the family stands before it.
void CutNamesAtCommas(DocumentFontSet& set) {
  for (auto it = set.begin(); it != set.end();) {
    std::size_t comma = it->find(',');
    if (comma == std::string::npos) {
      ++it;
      continue;
    }
    std::string family = it->substr(0, comma);
    it = set.erase(it);
    set.insert(std::move(family));
  }
}

}  // namespace

void ExtractDocumentFonts(const std::string& path, DocumentFontSet& set) {
  set.clear();
  std::optional<platform::FileView> view = platform::FileView::Open(path);
  if (!view) return;
  switch (DetectDocumentKind(view->data(), view->size())) {
    case DocumentKind::None:
      break;
    case DocumentKind::Illustrator:
    case DocumentKind::Pdf:
      ScanFontNameMarkers(view->data(), view->size(), set);
      view.reset();  // the rewrite reads the document on its own
      ExtractPdfFonts(path, set);
      break;
    case DocumentKind::Photoshop:
      // The one-line list of older versions, and the pretty-printed lists of every version.
      ScanPhotoshopFontSet(view->data(), view->size(), set);
      ScanPhotoshopFontLists(view->data(), view->size(), set);
      set.erase(std::string(kPhotoshopPlaceholderFont));
      break;
    case DocumentKind::CorelDraw:
      if (IsCdrZipContainer(view->data(), view->size())) {
        ExtractCdrContainerFonts(view->data(), view->size(), set);
      } else {
        ExtractCdrFonts(view->data(), view->size(), set);
      }
      break;
  }
  CutNamesAtCommas(set);
}

}  // namespace corvid
