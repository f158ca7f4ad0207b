#include "engine/discovery/lack_font_list.h"

#include <cstdint>
#include <cstring>

namespace corvid {

void WriteLackFontList(const std::vector<std::string>& names, char* buffer, int* length) {
  const std::int64_t capacity = *length;
  std::int64_t written = 0;
  for (const std::string& name : names) {
    const std::int64_t size = static_cast<std::int64_t>(name.size());
    if (capacity - written < size + 2) break;
    std::memcpy(buffer + written, name.data(), name.size());
    buffer[written + size] = ',';
    buffer[written + size + 1] = '\0';
    written += size + 1;
  }
  *length = static_cast<int>(written);
}

}  // namespace corvid
