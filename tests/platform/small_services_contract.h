// The contracts of the small services: local time, terminals, the environment.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/local_time.h"
#include "platform/terminal.h"
#include "tests/test_support.h"

namespace platform_contract {

template <typename Backend>
class SmallServicesContract : public testing::Test {};
TYPED_TEST_SUITE_P(SmallServicesContract);

TYPED_TEST_P(SmallServicesContract, LocalTimeIsTheCalendarsOwn) {
  const std::time_t now = std::time(nullptr);
  std::tm local = platform::LocalTime(now);
  EXPECT_GE(local.tm_year, 120);  // 2020 or later
  EXPECT_GE(local.tm_mon, 0);
  EXPECT_LE(local.tm_mon, 11);
  EXPECT_GE(local.tm_mday, 1);
  EXPECT_EQ(std::mktime(&local), now);  // mktime reads local time: the way back
}

TYPED_TEST_P(SmallServicesContract, FilesAndPipesAreNoTerminals) {
  EXPECT_FALSE(platform::IsTerminal(nullptr));
  tessaro_test::TempDir dir;
  std::FILE* file = std::fopen((dir / "out.txt").c_str(), "w");
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(platform::IsTerminal(file));
  std::fclose(file);
}

TYPED_TEST_P(SmallServicesContract, EnvironmentVariablesAreSetAndRemoved) {
  const std::string name = "TESSARO_CONTRACT_VARIABLE";
  EXPECT_EQ(platform::GetEnvironmentValue(name), std::nullopt);
  EXPECT_TRUE(platform::SetEnvironmentValue(name, std::string("a value")));
  EXPECT_EQ(platform::GetEnvironmentValue(name), "a value");
  EXPECT_TRUE(platform::SetEnvironmentValue(name, std::nullopt));
  EXPECT_EQ(platform::GetEnvironmentValue(name), std::nullopt);
}

REGISTER_TYPED_TEST_SUITE_P(SmallServicesContract, LocalTimeIsTheCalendarsOwn,
                            FilesAndPipesAreNoTerminals, EnvironmentVariablesAreSetAndRemoved);

}  // namespace platform_contract
