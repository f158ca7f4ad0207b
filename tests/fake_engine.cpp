// Stand-in engines for the binding tests, built as libCorvid.so (Corvid.dll) into folders of
// their own.
//   FAKE_ENGINE_FAULTING: every export faults (after writing part of its result).
//   FAKE_ENGINE_PARTIAL:  only GetLackFontNames, which answers "Arial,".

#include <cstring>

#ifdef _WIN32
#define EXPORT extern "C" __declspec(dllexport)
#else
#define EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
volatile int g_zero = 0;
volatile int g_seven = 7;
int* volatile g_null = nullptr;
const int kReadOnly = 1;
}  // namespace

#ifdef FAKE_ENGINE_FAULTING
EXPORT void GetLackFontNames(const char*, char* buffer, int* length) {
  std::memcpy(buffer, "Arial,", 6);
  *length = 6;
  *g_null = 1;  // SIGSEGV
}
// SIGFPE (Windows: an integer division by zero)
EXPORT void DownloadFile(const char*, const char*) { g_zero = g_seven / g_zero; }
EXPORT void InstallFonts(const char*) { __builtin_trap(); }  // SIGILL (an illegal instruction)
EXPORT void DecodeFiles(const char*, const char*) {
  *const_cast<volatile int*>(&kReadOnly) = 2;  // a write to a read-only page: SIGSEGV
}
#endif

#ifdef FAKE_ENGINE_PARTIAL
EXPORT void GetLackFontNames(const char*, char* buffer, int* length) {
  std::memcpy(buffer, "Arial,", 6);
  *length = 6;
}
#endif
