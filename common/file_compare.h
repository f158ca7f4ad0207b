// Telling whether files hold the same bytes: how the installer and its callers recognise a font
// that is already installed.
#pragma once

#include <string>
#include <vector>

namespace tessaro {

// Whether the files at `a` and `b` (narrow text) hold the same bytes: their sizes are compared
// first, their bytes only when the sizes are equal. False when either cannot be read.
// Thread-safe.
bool SameFileBytes(const std::string& a, const std::string& b);

// For each file of `files`, in order, the first file of `candidates` that holds the same bytes,
// or an empty text when none does. Each file's size is looked up once; only files of equal size
// are read. Thread-safe.
std::vector<std::string> FindCopies(const std::vector<std::string>& files,
                                    const std::vector<std::string>& candidates);

}  // namespace tessaro
