// Splitting a Windows-style parameter line into arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits `line` into arguments by the rules Windows programs apply to their command line:
// blanks (space, tab) separate arguments outside double quotes; a double quote starts or ends a
// quoted part; 2n backslashes before a quote give n backslashes and the quote acts; 2n+1 give n
// backslashes and a literal quote; backslashes not before a quote are literal; inside quotes, a
// pair of double quotes gives one literal quote.
std::vector<std::string> SplitParameterLine(std::string_view line);

}  // namespace platform
