// Recognising the kind of a design document from its bytes. The recognition lives in common/
// because the client recognises documents too; the engine's code names it in its own namespace.
#pragma once

#include "common/document_kind.h"
#include "engine/discovery/byte_search.h"

namespace corvid {

using tessaro::ContainsText;
using tessaro::DetectDocumentKind;
using tessaro::DocumentKind;
using tessaro::IsCdrZipContainer;

}  // namespace corvid
