// Unpacking a downloaded package into a folder, in process.
//
// Packages come from the network, so their contents are not trusted: every member is placed
// strictly inside the destination folder. Members with absolute paths or ".." in their paths are
// left out, no member is written through a symbolic link, and a symbolic link is created only
// when its target stays inside the folder. Encrypted members are skipped (nobody could give a
// password), damaged members are dropped whole, and nothing ever waits for input.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvid {

struct ExtractionSummary {
  int written = 0;   // files, folders and links created or replaced under the destination
  int skipped = 0;   // members left out: unsafe paths, encrypted or damaged data, special files,
                     // and those counted in tooLarge
  int tooLarge = 0;  // files dropped because the extraction would have written too much
};

// Unpacks the archive at `archivePath` (RAR 4 and 5, ZIP, 7z, tar, cpio, CAB, LHA, ISO 9660 and
// XAR, also with gzip, bzip2, xz, lzma, lzip, zstd, lz4 or compress around them) into the
// existing folder `destFolder`, each member with its inner folders, replacing files of the same
// name. A plain font file is copied into `destFolder`
// under its own name instead. A file that is neither gives nothing. Paths are narrow text;
// member names come out in the narrow code page (UTF-8 under the plain C locale).
// One extraction writes at most twenty times the archive's size in files (at least 64 MiB, at
// most 4 GiB): a member that would pass that is dropped and the others go on.
// Never throws; thread-safe (calls on different folders do not disturb each other).
ExtractionSummary ExtractArchive(const std::string& archivePath, const std::string& destFolder);

// The relative path, joined with the platform separator, under which a member called
// `memberName` is written; "/" and "\\" both separate folders, empty and "." parts are dropped,
// and each part is made a name this platform takes (platform::MakeFileNamePart: on Windows no
// ":" that would name a drive or a stream, no "?" of a name its code page lacked).
// Nothing (std::nullopt) for a name that would leave the folder or name it itself: an absolute
// path, a drive or UNC prefix, a ".." part, or nothing left.
std::optional<std::string> SafeMemberPath(std::string_view memberName);

// Whether a symbolic link stored as the member `linkPath` (a result of SafeMemberPath) with
// the target `target` points inside the destination folder: a relative target that climbs with
// leading ".." parts no higher than the folder and then only descends (or stays put).
bool IsSafeLinkTarget(std::string_view linkPath, std::string_view target);

}  // namespace corvid
