// The language the user reads.
#pragma once

namespace platform {

// True when the user's language is Chinese: on Windows the user's interface language; on POSIX
// the first of the environment variables LC_ALL, LC_MESSAGES and LANG that is set and not empty
// begins with "zh". Thread-safe.
bool UserLanguageIsChinese();

}  // namespace platform
