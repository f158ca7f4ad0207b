// tessaro-sign: the keys and signatures of client updates. The client runs an update's installer
// only when the archive carries a detached Ed25519 signature, "<archive>.sig" beside it on the
// service, made with the secret key whose public half was built into the client.
//
//   tessaro-sign keygen FOLDER             writes FOLDER/secret.key and FOLDER/public.key
//                                          (hexadecimal text); the public key is what
//                                          -DTESSARO_UPDATE_PUBLIC_KEY takes
//   tessaro-sign sign SECRET_KEY ARCHIVE   writes ARCHIVE.sig (64 bytes)
//
// Exit codes: 0 done, 2 bad arguments or a file that cannot be read or written. The build also
// compiles this file on its own at configure time to make the test key pair.

#include <sodium.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Hex(const unsigned char* bytes, std::size_t size) {
  std::string text(size * 2 + 1, '\0');
  sodium_bin2hex(text.data(), text.size(), bytes, size);
  text.pop_back();
  return text;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text << "\n";
  return static_cast<bool>(out.flush());
}

bool ReadBytes(const std::string& path, std::vector<unsigned char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int Keygen(const std::string& folder) {
  unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
  unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
  crypto_sign_keypair(publicKey, secretKey);
  const bool ok = WriteText(folder + "/secret.key", Hex(secretKey, sizeof secretKey)) &&
                  WriteText(folder + "/public.key", Hex(publicKey, sizeof publicKey));
  sodium_memzero(secretKey, sizeof secretKey);
  if (!ok) {
    std::fprintf(stderr, "tessaro-sign: cannot write the keys into %s\n", folder.c_str());
    return 2;
  }
  return 0;
}

int Sign(const std::string& keyFile, const std::string& archive) {
  std::vector<unsigned char> keyText;
  unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
  std::size_t keySize = 0;
  if (!ReadBytes(keyFile, keyText) ||
      sodium_hex2bin(secretKey, sizeof secretKey, reinterpret_cast<const char*>(keyText.data()),
                     keyText.size(), " \r\n", &keySize, nullptr) != 0 ||
      keySize != sizeof secretKey) {
    std::fprintf(stderr, "tessaro-sign: %s holds no secret key\n", keyFile.c_str());
    return 2;
  }
  std::vector<unsigned char> bytes;
  if (!ReadBytes(archive, bytes)) {
    std::fprintf(stderr, "tessaro-sign: cannot read %s\n", archive.c_str());
    return 2;
  }
  unsigned char signature[crypto_sign_BYTES];
  crypto_sign_detached(signature, nullptr, bytes.data(), bytes.size(), secretKey);
  sodium_memzero(secretKey, sizeof secretKey);
  std::ofstream out(archive + ".sig", std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(signature), sizeof signature);
  if (!out.flush()) {
    std::fprintf(stderr, "tessaro-sign: cannot write %s.sig\n", archive.c_str());
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (sodium_init() < 0) {
    std::fputs("tessaro-sign: libsodium cannot start\n", stderr);
    return 2;
  }
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "keygen" && argc == 3) return Keygen(argv[2]);
  if (command == "sign" && argc == 4) return Sign(argv[2], argv[3]);
  std::fputs("usage: tessaro-sign keygen FOLDER\n       tessaro-sign sign SECRET_KEY ARCHIVE\n",
             stderr);
  return 2;
}
