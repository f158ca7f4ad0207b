// The program runner's contract: hidden runs within a bound, and nothing started by a run
// outlives it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/process.h"
#include "tests/test_support.h"

namespace platform_contract {

using namespace std::chrono_literals;

template <typename Backend>
class ProcessContract : public testing::Test {
 protected:
  static platform::RunResult Run(const typename Backend::Program& program,
                                 std::chrono::milliseconds bound = 60s,
                                 const std::string& moreParameters = "") {
    return platform::RunHiddenProgram(program.file, program.parameters + moreParameters, bound);
  }
  tessaro_test::TempDir dir_;
};
TYPED_TEST_SUITE_P(ProcessContract);

TYPED_TEST_P(ProcessContract, ReturnsAfterTheProgramEndedWithItsCode) {
  std::string marker = this->dir_ / "ran";
  platform::RunResult r = this->Run(TypeParam::ExitAfterMarking(marker, 3));
  EXPECT_EQ(r.outcome, platform::RunOutcome::kExited);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(std::filesystem::exists(marker));  // it had finished before the call returned
}

TYPED_TEST_P(ProcessContract, MissingProgramReturnsAtOnce) {
  auto start = std::chrono::steady_clock::now();
  platform::RunResult r =
      platform::RunHiddenProgram(this->dir_ / "no such program", "a b", 60s);
  EXPECT_EQ(r.outcome, platform::RunOutcome::kNotStarted);
  r = platform::RunHiddenProgram("tessaro-no-such-program-on-the-path", "", 60s);
  EXPECT_EQ(r.outcome, platform::RunOutcome::kNotStarted);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TYPED_TEST_P(ProcessContract, ProgramThatWaitsForInputGetsNone) {
  // Reading a missing answer must not hang: the program's input is empty.
  platform::RunResult r = this->Run(TypeParam::ExitWithInput(7), 30s);
  EXPECT_EQ(r.outcome, platform::RunOutcome::kExited);
  EXPECT_EQ(r.exitCode, 7);
}

TYPED_TEST_P(ProcessContract, ProgramIsKilledAtTheBoundWithItsChildren) {
  std::string late = this->dir_ / "late";
  platform::RunResult r = this->Run(TypeParam::LeaveChildBehind(late, /*hang=*/true), 300ms);
  EXPECT_EQ(r.outcome, platform::RunOutcome::kKilled);
  std::this_thread::sleep_for(2500ms);
  EXPECT_FALSE(std::filesystem::exists(late));  // the child went with it
}

// Regression: a program that ended by itself could leave a hidden child running, which nobody
// could see or stop.
TYPED_TEST_P(ProcessContract, ChildrenLeftBehindAreKilledWhenTheRunEnds) {
  std::string late = this->dir_ / "late";
  platform::RunResult r = this->Run(TypeParam::LeaveChildBehind(late, /*hang=*/false));
  EXPECT_EQ(r.outcome, platform::RunOutcome::kExited);
  std::this_thread::sleep_for(2500ms);
  EXPECT_FALSE(std::filesystem::exists(late));
}

TYPED_TEST_P(ProcessContract, ParametersArePassedWholeWithTheirQuotes) {
  std::string out = this->dir_ / "args with space.txt";
  platform::RunResult r = this->Run(TypeParam::WriteArguments(out), 60s,
                                    " one \"two three\" \"D:\\dl\\a b.rar\" \"say \\\"hi\\\"\"");
  EXPECT_EQ(r.outcome, platform::RunOutcome::kExited);
  EXPECT_EQ(tessaro_test::ReadFile(out), "one|two three|D:\\dl\\a b.rar|say \"hi\"|");
}

TYPED_TEST_P(ProcessContract, RunsOnSeveralThreadsAtOnce) {
  std::string a = this->dir_ / "a";
  std::string b = this->dir_ / "b";
  platform::RunResult ra, rb;
  std::thread first([&] { ra = this->Run(TypeParam::ExitAfterMarking(a, 1)); });
  std::thread second([&] { rb = this->Run(TypeParam::ExitAfterMarking(b, 2)); });
  first.join();
  second.join();
  EXPECT_EQ(ra.exitCode, 1);
  EXPECT_EQ(rb.exitCode, 2);
  EXPECT_TRUE(std::filesystem::exists(a) && std::filesystem::exists(b));
}

TYPED_TEST_P(ProcessContract, StartProgramReportsWhetherItStarted) {
  EXPECT_FALSE(platform::StartProgram(this->dir_ / "no such program"));
}

REGISTER_TYPED_TEST_SUITE_P(ProcessContract, ReturnsAfterTheProgramEndedWithItsCode,
                            MissingProgramReturnsAtOnce, ProgramThatWaitsForInputGetsNone,
                            ProgramIsKilledAtTheBoundWithItsChildren,
                            ChildrenLeftBehindAreKilledWhenTheRunEnds,
                            ParametersArePassedWholeWithTheirQuotes, RunsOnSeveralThreadsAtOnce,
                            StartProgramReportsWhetherItStarted);

}  // namespace platform_contract
