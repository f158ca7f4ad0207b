// Signatures of update archives made with the build's test key (build/update-key/secret.key),
// whose public half the client holds.
#pragma once

#include <sodium.h>

#include <fstream>
#include <iterator>
#include <string>

namespace tessaro_test {

// A detached Ed25519 signature of `bytes` with the test key; empty when the key cannot be read.
inline std::string SignWithTestKey(const std::string& bytes) {
  std::ifstream in(TESSARO_UPDATE_SECRET_KEY, std::ios::binary);
  const std::string hex((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  unsigned char key[crypto_sign_SECRETKEYBYTES];
  std::size_t size = 0;
  if (sodium_init() < 0 ||
      sodium_hex2bin(key, sizeof key, hex.data(), hex.size(), "\r\n", &size, nullptr) != 0 ||
      size != sizeof key) {
    return {};
  }
  unsigned char signature[crypto_sign_BYTES];
  crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(bytes.data()),
                       bytes.size(), key);
  return std::string(reinterpret_cast<const char*>(signature), sizeof signature);
}

}  // namespace tessaro_test
