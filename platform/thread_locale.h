// The C library's idea of narrow text on the calling thread.
#pragma once

namespace platform {

// For its lifetime, makes the C library on the calling thread read and write narrow text in
// the system's narrow code page (kAnsiCodePage), for libraries that convert names through the
// C library's locale. On POSIX a thread whose locale is the plain C locale (code set ASCII)
// works in UTF-8 meanwhile, as kAnsiCodePage does there; any other locale is left as it is. On
// Windows nothing changes: the C runtime (msvcrt) has one locale for the whole process and no
// locale of a thread's own, and it starts in the plain C locale, which takes every byte for the
// character of that number; programs set it to the ANSI code page at start with
// setlocale(LC_CTYPE, ""), as the client and the command-line program do. Affects only the
// calling thread; create and destroy it on the same thread.
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
