// Every platform contract suite, run against the Win32 backend (under Wine on the build
// machines).

#include <gtest/gtest.h>

#include <clocale>

#include "platform/environment.h"
#include "tests/platform/dynamic_library_contract.h"
#include "tests/platform/fault_guard_contract.h"
#include "tests/platform/file_view_contract.h"
#include "tests/platform/filesystem_contract.h"
#include "tests/platform/fonts_contract.h"
#include "tests/platform/http_contract.h"
#include "tests/platform/process_contract.h"
#include "tests/platform/small_services_contract.h"
#include "tests/platform/text_codec_contract.h"
#include "tests/platform/win32_backend.h"

namespace platform_contract {
namespace {

// Proxies named in the environment (which WinINet under Wine reads) must not stand between the
// tests and their own server.
class NoProxyEnvironment : public testing::Environment {
 public:
  void SetUp() override { tessaro_test::ClearProxyEnvironment(); }
};
const auto* const kNoProxy = testing::AddGlobalTestEnvironment(new NoProxyEnvironment);

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, TextCodecContract, Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FileViewContract, Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FilesystemContract, Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ProcessContract, Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, DynamicLibraryContract, Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FontsContract, Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FaultGuardContract, Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, HttpContract, Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SmallServicesContract, Win32Backend);

}  // namespace
}  // namespace platform_contract

// The test program, or the helper program that the process suite runs (win32_backend.h).
int main(int argc, char** argv) {
  // As the programs do: the C runtime's narrow text (std::filesystem's too) in the ANSI code page.
  std::setlocale(LC_CTYPE, "");
  int exitCode = 0;
  if (platform_contract::RunTestProgramHelper(argc, argv, exitCode)) return exitCode;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
