// Font lists of Photoshop's pretty-printed text engine data.
//
// Photoshop CS6 and later write the document's text resources, and every version writes the
// text of its type layers, in a PostScript-like syntax spread over lines and indented with tabs:
//
//   /FontSet [
//   <<
//       /Name (\xFE\xFF\0A\0r\0i\0a\0l\0M\0T)
//       /Script 0
//       /FontType 1
//       /Synthetic 0
//   >>
//   ]
//
// Each entry of a "/FontSet [ … ]" list is a dictionary whose /Name string is a font's
// PostScript name. Other lists (/KinsokuSet, /StyleSheetSet, …) have /Name entries too that are
// not fonts, so only the /FontSet lists are read. The one-line form of older versions,
// "/FontSet << /Resources [ … ] >>", is a dictionary, not a list: ScanPhotoshopFontSet reads it.
//
// Nothing else of the engine data is parsed: the lists are found by their key, then read token
// by token (white space of any kind and amount between tokens). A list that is cut off or whose
// brackets do not balance gives the names read before the damage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// Adds the /Name of every entry of every "/FontSet [ … ]" list in the block. A name stored as
// UTF-16BE with its byte-order mark (FE FF) is converted to the ANSI code page (a character
// without an ANSI form becomes '?'); any other name is kept as its bytes. Names end at a NUL and
// are cut to 259 bytes. Reads only inside the block; thread-safe.
void ScanPhotoshopFontLists(const Byte* bytes, std::uint64_t length, DocumentFontSet& set);

// The bytes a PostScript string stands for, given what lies between its outer parentheses:
// \n \r \t \b \f, \\ \( \), one to three octal digits (\101 is "A"; the value is kept to 8
// bits), a backslash before an end of line joins the lines, a backslash before any other byte
// stands for that byte. Everything else is kept as it is, unescaped parentheses included.
std::string DecodePostScriptString(std::string_view body);

}  // namespace corvid
