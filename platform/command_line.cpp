#include "platform/command_line.h"

namespace platform {

std::vector<std::string> SplitParameterLine(std::string_view line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (true) {
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool inQuotes = false;
    while (i < n) {
      char c = line[i];
      if (!inQuotes && (c == ' ' || c == '\t')) break;
      if (c == '\\') {
        std::size_t slashes = 0;
        while (i < n && line[i] == '\\') ++slashes, ++i;
        if (i < n && line[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg.push_back('"');
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (inQuotes && i + 1 < n && line[i + 1] == '"') {
          arg.push_back('"');
          i += 2;
          continue;
        }
        inQuotes = !inQuotes;
        ++i;
        continue;
      }
      arg.push_back(c);
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace platform
