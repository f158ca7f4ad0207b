// The platform layer's shared code, which every backend builds: the same cases everywhere.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/command_line.h"

namespace platform {
namespace {

TEST(SplitParameterLine, WindowsQuotingRules) {
  using Args = std::vector<std::string>;
  const struct {
    std::string line;
    Args args;
  } cases[] = {
      {"x -o+ \"D:\\dl\\a.rar\" \"D:\\ex\"", {"x", "-o+", "D:\\dl\\a.rar", "D:\\ex"}},
      {"  a\t b  ", {"a", "b"}},
      {"\"with space\" tail", {"with space", "tail"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\\\\\"q\"", {"\\q"}},       // 2n backslashes + quote: n backslashes, the quote acts
      {"\\\"q", {"\"q"}},           // 2n+1: a literal quote
      {"a\\b\\\\c", {"a\\b\\\\c"}},  // backslashes not before a quote are literal
      {"\"a\"\"b\"", {"a\"b"}},     // a doubled quote inside quotes
      {"\"\"", {""}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitParameterLine(c.line), c.args) << c.line;
  }
}

}  // namespace
}  // namespace platform
