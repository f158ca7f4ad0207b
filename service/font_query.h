// The answers of the font query and of the update check.
#pragma once

#include <string>
#include <vector>

#include "service/catalog.h"

namespace tessaro::service {

// The JSON answer to a font query for `names`, in their order: {"0": {"dl": [paths]}, "1": ...},
// one member per name, an empty "dl" for a font the catalogue does not hold. The text is UTF-8
// and holds no backslash at all (the client turns each one into "/" before parsing): the only
// strings in it are catalogue paths, which LoadCatalog has limited to characters that JSON writes
// as they are.
std::string FontQueryAnswer(const Catalog& catalog, const std::vector<std::string>& names);

// The answer to an update check from a client of version `clientVersion`: empty when the catalogue
// offers no update or the client already has its version, else the update archive's file name,
// without a line break.
std::string UpdateCheckAnswer(const Catalog& catalog, const std::string& clientVersion);

}  // namespace tessaro::service
