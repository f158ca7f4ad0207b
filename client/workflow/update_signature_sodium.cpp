// The update signature check with libsodium's Ed25519.

#include "client/workflow/update_signature.h"

#include <sodium.h>

#include <optional>

#include "client/update_public_key.h"
#include "platform/file_view.h"

namespace tessaro {

bool UpdateSignatureValid(const std::string& archivePath, std::string_view signature) {
  static_assert(sizeof kUpdatePublicKey == crypto_sign_PUBLICKEYBYTES);
  if (signature.size() != crypto_sign_BYTES) return false;
  if (sodium_init() < 0) return false;  // may be called again and from any thread
  std::optional<platform::FileView> view = platform::FileView::Open(archivePath);
  if (!view) return false;
  return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                     view->data(), view->size(), kUpdatePublicKey) == 0;
}

}  // namespace tessaro
