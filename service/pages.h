// The HTML pages of the service: its home page and the preview page of one font. They are what
// the client's preview window shows: first the home page, then the clicked font's page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "service/catalog.h"

namespace tessaro::service {

// The address at which the service serves the preview font of `name` (see FirstFontInPackage).
std::string PreviewFontAddress(std::string_view name);

// The address of the preview page of `name`, as the client asks for it.
std::string PreviewPageAddress(std::string_view name);

// The home page: the catalogue's fonts, each linked to its preview page. UTF-8.
std::string HomePage(const Catalog& catalog);

// The preview page of a font the catalogue holds (`name` as asked, `paths` its entry): its name,
// its files as download links, and sample lines set in the font itself through @font-face, or a
// note when the first package holds no font file (`fontFileName` empty). UTF-8.
std::string PreviewPage(std::string_view name, const std::vector<std::string>& paths,
                        std::string_view fontFileName);

// The page for a font the catalogue does not hold. UTF-8.
std::string UnknownFontPage(std::string_view name);

// `text` with &, <, >, " and ' written as character references.
std::string HtmlEscape(std::string_view text);

}  // namespace tessaro::service
