// Fuzz target: the service's answers as the client reads them: the font query's JSON and the
// update check's archive name.

#include <cstddef>
#include <cstdint>
#include <string>

#include "client/workflow/self_update.h"
#include "client/workflow/service_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  const std::string text = tessaro::Utf8ToAnsi(body);
  tessaro::ParseFontQueryAnswer(text, "http://127.0.0.1:1");
  const std::string name = tessaro::UpdateArchiveName(text);
  // A name that could climb out of the update folder must never be accepted.
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
      name.find("..") != std::string::npos) {
    __builtin_trap();
  }
  return 0;
}
