// The thread's narrow-text locale on POSIX: uselocale with a UTF-8 character-type locale.

#include "platform/thread_locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

namespace platform {

ScopedNarrowTextLocale::ScopedNarrowTextLocale() {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr ||
      (std::strcmp(codeset, "ANSI_X3.4-1968") != 0 && std::strcmp(codeset, "ASCII") != 0)) {
    return;
  }
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (utf8 == static_cast<locale_t>(0)) return;
  locale_t previous = uselocale(utf8);
  if (previous == static_cast<locale_t>(0)) {
    freelocale(utf8);
    return;
  }
  previous_ = previous;
  replacement_ = utf8;
}

ScopedNarrowTextLocale::~ScopedNarrowTextLocale() {
  if (replacement_ == nullptr) return;
  uselocale(static_cast<locale_t>(previous_));
  freelocale(static_cast<locale_t>(replacement_));
}

}  // namespace platform
