#include "engine/discovery/document_fonts.h"

#include <optional>

#include "engine/discovery/cdr_container.h"
#include "engine/discovery/cdr_fonts.h"
#include "engine/discovery/document_kind.h"
#include "engine/discovery/marker_scans.h"
#include "engine/discovery/pdf_fonts.h"
#include "engine/discovery/photoshop_font_lists.h"
#include "platform/file_view.h"

namespace corvid {

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
      break;
    case DocumentKind::CorelDraw:
      if (IsCdrZipContainer(view->data(), view->size())) {
        ExtractCdrContainerFonts(view->data(), view->size(), set);
      } else {
        ExtractCdrFonts(view->data(), view->size(), set);
      }
      break;
  }
}

}  // namespace corvid
