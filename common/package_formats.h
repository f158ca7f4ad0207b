// Font packages as libarchive reads them: the formats they come in, and why one gives nothing.
//
// The engine unpacks packages and reports nothing; the client examines a package that gave no
// font to tell the user why. Both read packages through the same list of formats, kept here.
#pragma once

#include <string>

struct archive;

namespace tessaro {

// Makes the libarchive `reader` read the formats and compressions font packages come in: RAR 4
// and 5, ZIP, 7z, tar, cpio, CAB, LHA, ISO 9660 and XAR, also with gzip, bzip2, xz, lzma, lzip,
// zstd, lz4 or compress around them. Not libarchive's "all": its mtree reader takes a mere text
// file for a listing of files of this computer, and its fallbacks for some compressions start
// outside programs.
void EnablePackageFormats(archive* reader);

enum class PackageProblem {
  kNone,                // an archive whose members can all be read
  kMissing,             // the file cannot be opened
  kEmpty,               // the file holds no bytes
  kNotAnArchive,        // the bytes are no archive of the package formats
  kEncrypted,           // members need a password
  kDamaged,             // a member or header cannot be read
  kDamagedOrEncrypted,  // a member cannot be read, and the format's reader cannot tell whether
                        // it needs a password (libarchive's RAR 5 reader, for one)
  kNoMembers,           // an archive without a single member
};

// Reads the package at `path` (narrow text) to its end without writing anything, and says what
// is wrong with it; a font file that is no archive gives kNotAnArchive. Never throws;
// thread-safe.
PackageProblem ExaminePackage(const std::string& path);

}  // namespace tessaro
