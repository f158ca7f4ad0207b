// Listing every file of a folder tree.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tessaro {

// Appends to `list` the full path of every file under `folder` (given without a trailing
// separator), depth-first in the order the file system lists each folder: the files of a
// subfolder stand where the subfolder was met. Subfolders whose names begin with "." are not
// entered, links to folders are not followed; files whose names begin with "." are listed. A
// folder that cannot be read adds nothing. Entries already in `list` are kept as they are.
void CollectFiles(const std::string& folder, std::vector<std::string>& list);

// The same, calling `beforeFolder` with the full path of every folder just before it is read:
// `folder` itself first (even when it cannot be read), then each subfolder as it is entered.
void CollectFiles(const std::string& folder, std::vector<std::string>& list,
                  const std::function<void(const std::string& folder)>& beforeFolder);

}  // namespace tessaro
