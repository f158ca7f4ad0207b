// The thread's narrow-text locale on Windows: nothing changes, since msvcrt keeps one locale for
// the whole process (mingw's _configthreadlocale refuses per-thread locales), which the program
// sets at start.
#ifdef _WIN32

#include "platform/thread_locale.h"

namespace platform {

ScopedNarrowTextLocale::ScopedNarrowTextLocale() = default;

ScopedNarrowTextLocale::~ScopedNarrowTextLocale() = default;

}  // namespace platform

#endif  // _WIN32
