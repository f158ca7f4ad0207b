// The signature check of client updates: an update's installer runs only when its archive is
// signed with the secret key whose public half was built into the client (tessaro-sign).
#pragma once

#include <string>
#include <string_view>

namespace tessaro {

// Whether `signature` (a detached Ed25519 signature: exactly 64 bytes) signs the bytes of the
// file at `archivePath` (narrow text) under the update key built into the client. False for a
// missing, unreadable or empty file, a signature of any other length, and any mismatch.
// Thread-safe.
bool UpdateSignatureValid(const std::string& archivePath, std::string_view signature);

}  // namespace tessaro
