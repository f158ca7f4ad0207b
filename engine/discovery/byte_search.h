// The byte searches of the document scans. They live in common/ because the client recognises
// documents with them too; the engine's code names them in its own namespace.
#pragma once

#include "common/byte_search.h"

namespace corvid {

using tessaro::Byte;
using tessaro::FindEitherByte;
using tessaro::FindFirst;
using tessaro::FindLast;
using tessaro::MarkerSet;
using tessaro::MatchesAt;

}  // namespace corvid
