// The user's language on Windows: the primary language of the user's interface language.
#ifdef _WIN32

#include "platform/user_language.h"

#include <windows.h>

namespace platform {

bool UserLanguageIsChinese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE; }

}  // namespace platform

#endif  // _WIN32
