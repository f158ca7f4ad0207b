#include "common/program_runner.h"

namespace tessaro {

platform::RunResult RunHiddenAndWait(const std::string& file, const std::string& parameters,
                                     std::chrono::milliseconds bound) {
  return platform::RunHiddenProgram(file, parameters, bound);
}

}  // namespace tessaro
