// The fault guard's contract: faults inside a guarded call are reported while they are being
// handled, and the call returns.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/fault_guard.h"
#include "tests/test_support.h"

namespace platform_contract {

namespace faults {

inline volatile int g_zero = 0;
inline volatile int g_seven = 7;
inline int* volatile g_null = nullptr;
inline std::atomic<int> g_reached{0};

// The faults are meant: the sanitizers' checks for them would only report them first.
#define TESSARO_FAULTS_ON_PURPOSE __attribute__((noinline, no_sanitize("undefined")))

TESSARO_FAULTS_ON_PURPOSE inline void BadRead(void*) {
  g_reached = g_reached + *g_null;
  g_reached = -1;  // never reached
}
TESSARO_FAULTS_ON_PURPOSE inline void BadWrite(void*) { *g_null = 1; }
TESSARO_FAULTS_ON_PURPOSE inline void DivideByZero(void*) { g_zero = g_seven / g_zero; }
TESSARO_FAULTS_ON_PURPOSE inline void Trap(void*) { __builtin_trap(); }
inline void Fine(void* context) { *static_cast<int*>(context) = 42; }

// What the handler saw, copied out of the record while the fault was being handled.
struct Seen {
  int calls = 0;
  platform::FaultKind kind = platform::FaultKind::kOther;
  const void* address = nullptr;
  int frameCount = 0;
  bool hadSystemContext = false;
  std::string dumpPath;  // when set, the handler writes a crash report there
  bool dumpWritten = false;
};

inline void Record(const platform::FaultRecord& fault, void* context) {
  Seen& seen = *static_cast<Seen*>(context);
  ++seen.calls;
  seen.kind = fault.kind;
  seen.address = fault.address;
  seen.frameCount = fault.frameCount;
  seen.hadSystemContext = fault.systemContext != nullptr;
  if (!seen.dumpPath.empty()) {
    seen.dumpWritten = platform::WriteCrashReport(seen.dumpPath.c_str(), &fault);
  }
}

}  // namespace faults

template <typename Backend>
class FaultGuardContract : public testing::Test {};
TYPED_TEST_SUITE_P(FaultGuardContract);

TYPED_TEST_P(FaultGuardContract, ACallWithoutFaultRunsToItsEnd) {
  faults::Seen seen;
  int result = 0;
  EXPECT_TRUE(platform::CallGuarded(&faults::Fine, &result, &faults::Record, &seen));
  EXPECT_EQ(result, 42);
  EXPECT_EQ(seen.calls, 0);
  EXPECT_TRUE(platform::CallGuarded(&faults::Fine, &result, nullptr, nullptr));
}

TYPED_TEST_P(FaultGuardContract, EachFaultIsReportedOnceWithItsKindAndTheCallReturns) {
  using platform::FaultKind;
  const struct {
    const char* what;
    void (*call)(void*);
    FaultKind kind;
  } cases[] = {
      {"bad read", &faults::BadRead, FaultKind::kBadAccess},
      {"bad write", &faults::BadWrite, FaultKind::kBadAccess},
      {"division by zero", &faults::DivideByZero, FaultKind::kArithmetic},
      {"trap instruction", &faults::Trap, FaultKind::kIllegalInstruction},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    faults::Seen seen;
    EXPECT_FALSE(platform::CallGuarded(c.call, nullptr, &faults::Record, &seen));
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.kind, c.kind);
    EXPECT_GT(seen.frameCount, 0);
    EXPECT_TRUE(seen.hadSystemContext);
    if (c.kind == FaultKind::kBadAccess) {
      EXPECT_EQ(seen.address, nullptr);
    }
    // Without a handler the fault is contained all the same.
    EXPECT_FALSE(platform::CallGuarded(c.call, nullptr, nullptr, nullptr));
  }
  EXPECT_EQ(faults::g_reached, 0);
}

TYPED_TEST_P(FaultGuardContract, TheHandlerWritesTheDumpWhileTheFaultIsHandled) {
  tessaro_test::TempDir dir;
  faults::Seen seen;
  seen.dumpPath = dir / "fault.dmp";
  EXPECT_FALSE(platform::CallGuarded(&faults::BadWrite, nullptr, &faults::Record, &seen));
  EXPECT_TRUE(seen.dumpWritten);
  EXPECT_TRUE(TypeParam::DumpDescribesFault(tessaro_test::ReadFile(seen.dumpPath)));

  // Outside a fault: a dump of the process as it is, and a refusal where no file can be made.
  EXPECT_TRUE(platform::WriteCrashReport((dir / "plain.dmp").c_str(), nullptr));
  EXPECT_TRUE(std::filesystem::exists(dir / "plain.dmp"));
  EXPECT_FALSE(platform::WriteCrashReport((dir / "missing/x.dmp").c_str(), nullptr));
}

struct Nested {
  faults::Seen inner;
  faults::Seen outer;
  bool innerResult = true;
};

TYPED_TEST_P(FaultGuardContract, GuardsNestAndAFaultBelongsToTheInnermost) {
  Nested nested;
  auto outerCall = [](void* context) {
    Nested& n = *static_cast<Nested*>(context);
    n.innerResult = platform::CallGuarded(&faults::Trap, nullptr, &faults::Record, &n.inner);
    faults::BadRead(nullptr);  // the outer guard's
  };
  EXPECT_FALSE(platform::CallGuarded(outerCall, &nested, &faults::Record, &nested.outer));
  EXPECT_FALSE(nested.innerResult);
  EXPECT_EQ(nested.inner.calls, 1);
  EXPECT_EQ(nested.inner.kind, platform::FaultKind::kIllegalInstruction);
  EXPECT_EQ(nested.outer.calls, 1);
  EXPECT_EQ(nested.outer.kind, platform::FaultKind::kBadAccess);
}

TYPED_TEST_P(FaultGuardContract, AFaultInsideTheHandlerEndsTheHandler) {
  int handlerCalls = 0;
  auto faultingHandler = [](const platform::FaultRecord&, void* context) {
    ++*static_cast<int*>(context);
    faults::BadWrite(nullptr);
  };
  EXPECT_FALSE(platform::CallGuarded(&faults::BadRead, nullptr, faultingHandler, &handlerCalls));
  EXPECT_EQ(handlerCalls, 1);
  // The guard works as before afterwards.
  faults::Seen seen;
  EXPECT_FALSE(platform::CallGuarded(&faults::DivideByZero, nullptr, &faults::Record, &seen));
  EXPECT_EQ(seen.calls, 1);
}

TYPED_TEST_P(FaultGuardContract, EveryThreadMayMakeGuardedCalls) {
  std::vector<std::thread> threads;
  std::atomic<int> contained{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&contained] {
      for (int i = 0; i < 25; ++i) {
        faults::Seen seen;
        if (!platform::CallGuarded(i % 2 ? &faults::BadWrite : &faults::Trap, nullptr,
                                   &faults::Record, &seen) &&
            seen.calls == 1) {
          ++contained;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(contained, 100);
}

REGISTER_TYPED_TEST_SUITE_P(FaultGuardContract, ACallWithoutFaultRunsToItsEnd,
                            EachFaultIsReportedOnceWithItsKindAndTheCallReturns,
                            TheHandlerWritesTheDumpWhileTheFaultIsHandled,
                            GuardsNestAndAFaultBelongsToTheInnermost,
                            AFaultInsideTheHandlerEndsTheHandler, EveryThreadMayMakeGuardedCalls);

}  // namespace platform_contract
