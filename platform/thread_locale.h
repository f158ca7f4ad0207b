// The C library's idea of narrow text on the calling thread.
#pragma once

namespace platform {

// For its lifetime, makes the C library on the calling thread read and write narrow text in
// the system's narrow code page (kAnsiCodePage), for libraries that convert names through the
// C library's locale. On POSIX a thread whose locale is the plain C locale (code set ASCII)
// works in UTF-8 meanwhile, as kAnsiCodePage does there; any other locale is left as it is. On
// Windows the C library already follows the system code page: nothing changes. Affects only
// the calling thread; create and destroy it on the same thread.
class ScopedNarrowTextLocale {
 public:
  ScopedNarrowTextLocale();
  ~ScopedNarrowTextLocale();
  ScopedNarrowTextLocale(const ScopedNarrowTextLocale&) = delete;
  ScopedNarrowTextLocale& operator=(const ScopedNarrowTextLocale&) = delete;

 private:
  void* previous_ = nullptr;  // the thread's locale before, when it was replaced
  void* replacement_ = nullptr;
};

}  // namespace platform
