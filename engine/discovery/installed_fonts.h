// The installed-font inventory and the document fonts it lacks.
//
// The inventory has two sources: the face names the system enumerates, and the font files of
// the system font folders, each read into a group of names. The system names a font by one face
// name while a document may use its PostScript name, full name or a localised family name; a
// group that shares one name with the inventory brings all its names in.
//
// Building it is costly on a machine with thousands of fonts, so it is built once per process
// and kept while nothing it was built from changed: the system's fonts (platform::
// InstalledFontsVersion), the narrow code page, and the font folders (their stamps, every
// subfolder included: adding, removing or renaming a font file changes its folder's stamp).
// Fonts installed by this process count at once (ForgetInstalledFonts). The names each font file
// carries are also kept between processes (font_name_cache.h), so that a file is opened with
// FreeType only when it is new or changed. The answers are those a fresh reading of every file
// would give, with one limit that the system's own font cache shares: a font file written over
// in place leaves its folder's stamp as it was, so a process that keeps its inventory notices it
// only with the next change of the folder or of the system's fonts (a new process notices it at
// once, by the file's own stamp).
#pragma once

#include <cstdint>
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

// The names of `documentFonts`, in the set's order, that are not installed. Thread-safe: calls
// from several threads share one inventory, and wait while it is built.
std::vector<std::string> ComputeLackFonts(const DocumentFontSet& documentFonts);

// The face-name enumeration callback: inserts `faceName` into the InstalledFontSet `context`.
// Returns 1 so that the enumeration goes on.
int CollectInstalledFaceNames(const char* faceName, void* context);

// Reads every file of the system font folders (their subfolders included) into groups, and
// sends a trace line "<group count>, <path>, <first name>" per group to the debugging channel.
// Files whose names are on record with an unchanged stamp are not opened again; the record is
// brought up to date (new and changed files recorded, vanished ones dropped) and saved in the
// program's cache folder. Thread-safe.
FontFileGroups ScanFontFolder();

// Widens `installed` by `groups`, one group after the other: a group with a name in the set
// brings all its names in, and those count for the groups after it.
void WidenInstalledSet(InstalledFontSet& installed, const FontFileGroups& groups);

// Makes the next ComputeLackFonts build the inventory anew. Called when fonts were installed.
// Thread-safe.
void ForgetInstalledFonts();

// What the inventory cost so far in this process, for diagnostics and benchmarks.
struct InventoryStatistics {
  std::uint64_t enumerations = 0;   // system enumerations read
  std::uint64_t folderScans = 0;    // scans of the font folders
  std::uint64_t filesRead = 0;      // font folder files opened with FreeType
  std::uint64_t filesOnRecord = 0;  // font folder files whose names came from the record
};
InventoryStatistics GetInventoryStatistics();

// How long a file or folder must have been left alone before its stamp is trusted to show its
// next change (default kFontNameCacheSettleTime). Lets tests, whose files are all new, use the
// record and the kept inventory. Thread-safe.
void SetSettleTimeForTesting(std::int64_t nanoseconds);

}  // namespace corvid
