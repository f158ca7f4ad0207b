// Every platform contract suite, run against the POSIX backend.

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "tests/platform/dynamic_library_contract.h"
#include "tests/platform/fault_guard_contract.h"
#include "tests/platform/file_view_contract.h"
#include "tests/platform/filesystem_contract.h"
#include "tests/platform/fonts_contract.h"
#include "tests/platform/http_contract.h"
#include "tests/platform/posix_backend.h"
#include "tests/platform/process_contract.h"
#include "tests/platform/small_services_contract.h"
#include "tests/platform/text_codec_contract.h"

namespace platform_contract {
namespace {

// Proxies of the machine running the tests must not stand between them and their own server.
class NoProxyEnvironment : public testing::Environment {
 public:
  void SetUp() override { tessaro_test::ClearProxyEnvironment(); }
};
const auto* const kNoProxy = testing::AddGlobalTestEnvironment(new NoProxyEnvironment);

INSTANTIATE_TYPED_TEST_SUITE_P(Posix, TextCodecContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, FileViewContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, FilesystemContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, ProcessContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, DynamicLibraryContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, FontsContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, FaultGuardContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, HttpContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, SmallServicesContract, PosixBackend);

}  // namespace
}  // namespace platform_contract
