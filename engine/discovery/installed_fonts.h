// The installed-font inventory and the document fonts it lacks.
//
// The inventory has two sources: the face names the system enumerates, and the font files of
// the system font folders, each read into a group of names. The system names a font by one face
// name while a document may use its PostScript name, full name or a localised family name; a
// group that shares one name with the inventory brings all its names in. Everything is built
// afresh on every call: fonts installed a moment ago count.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/discovery/document_font_set.h"
#include "engine/discovery/font_file_names.h"

namespace corvid {

// Installed names, compared exactly (no case folding, no trimming).
using InstalledFontSet = std::set<std::string>;

// One group per font file that yielded at least one name, in listing order.
using FontFileGroups = std::vector<FontFileNames>;

// The names of `documentFonts`, in the set's order, that are not installed. Thread-safe.
std::vector<std::string> ComputeLackFonts(const DocumentFontSet& documentFonts);

// The face-name enumeration callback: inserts `faceName` into the InstalledFontSet `context`.
// Returns 1 so that the enumeration goes on.
int CollectInstalledFaceNames(const char* faceName, void* context);

// Reads every file of the system font folders (their subfolders included) into groups, and
// sends a trace line "<group count>, <path>, <first name>" per group to the debugging channel.
FontFileGroups ScanFontFolder();

// Widens `installed` by `groups`, one group after the other: a group with a name in the set
// brings all its names in, and those count for the groups after it.
void WidenInstalledSet(InstalledFontSet& installed, const FontFileGroups& groups);

}  // namespace corvid
