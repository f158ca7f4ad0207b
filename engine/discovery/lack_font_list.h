// The list format of GetLackFontNames.
#pragma once

#include <string>
#include <vector>

namespace corvid {

// Writes `names`, in order, each followed by a comma and (provisionally) a NUL, while the name,
// its comma and the NUL fit into the `*length` bytes of `buffer`; the first name that does not
// fit ends the list. Stores the number of bytes of names and commas in `*length`. Bytes past the
// final NUL are never touched; with no name written the buffer is unchanged and `*length` is 0.
// `*length` must be at least 1.
void WriteLackFontList(const std::vector<std::string>& names, char* buffer, int* length);

}  // namespace corvid
