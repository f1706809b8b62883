// The waits for a busy mail client, run on a simulated clock: the program's
// own retry loop and the message filter's answers, with a test's sleep that
// only counts the pauses.
#include "platform/windows/busy_retry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace wrenpost {
namespace {

constexpr std::int32_t H(std::uint32_t value) { return static_cast<std::int32_t>(value); }
const std::int32_t kRejected = H(0x80010001);    // RPC_E_CALL_REJECTED
const std::int32_t kRetryLater = H(0x8001010A);  // RPC_E_SERVERCALL_RETRYLATER
constexpr std::int32_t kOk = 0;
constexpr std::uint32_t kServerCallRejected = 1, kServerCallRetryLater = 2;

// The pauses a run took: only they count against the budget.
struct SimulatedClock {
  std::uint64_t paused_ms = 0;
  int pauses = 0;
  void Pause(std::uint32_t ms) {
    paused_ms += ms;
    ++pauses;
  }
};

// One call made through the program's own loop against a server that rejects
// its first `rejections` tries with `rejection`.
std::int32_t CallOnce(BusyBudget& budget, SimulatedClock& clock, int rejections,
                      std::int32_t rejection = kRejected) {
  int tries = 0;
  return CallWhileBusy(
      budget,
      [&] { return tries++ < rejections ? rejection : kOk; },
      [&](std::uint32_t ms) { clock.Pause(ms); });
}

TEST(CallWhileBusy, AClientThatRejectsEachCallOnceIsWaitedForThirtySecondsInAll) {
  // Outlook synchronising: every call is turned away once, then answered. A
  // run with 200 calls (recipients) must not take 200 pauses.
  BusyBudget budget;
  SimulatedClock clock;
  int answered = 0;
  std::int32_t last = kOk;
  for (int call = 0; call < 200 && last == kOk; ++call) {
    last = CallOnce(budget, clock, 1);
    if (last == kOk) ++answered;
  }
  EXPECT_EQ(answered, 120);  // 120 quarter-second pauses fill the 30 s
  EXPECT_EQ(last, kRejected) << "the call the budget cannot wait for fails with its rejection";
  EXPECT_EQ(clock.paused_ms, BusyBudget::kLimitMs);
  EXPECT_EQ(budget.spent_ms(), BusyBudget::kLimitMs);
  EXPECT_EQ(CallOnce(budget, clock, 0), kOk) << "a call nobody rejects still goes through";
}

struct LoopCase {
  const char* name;
  int rejections;           // of the one call
  std::int32_t rejection;   // what the server answers them with
  std::int32_t result;
  int pauses;
};

class CallWhileBusyTest : public testing::TestWithParam<LoopCase> {};

TEST_P(CallWhileBusyTest, PausesOnlyForRejectionsAndOnlyWithinTheBudget) {
  const LoopCase& c = GetParam();
  BusyBudget budget;
  SimulatedClock clock;
  EXPECT_EQ(CallOnce(budget, clock, c.rejections, c.rejection), c.result);
  EXPECT_EQ(clock.pauses, c.pauses);
  EXPECT_EQ(clock.paused_ms, static_cast<std::uint64_t>(c.pauses) * BusyBudget::kPauseMs);
  EXPECT_LE(clock.paused_ms, BusyBudget::kLimitMs);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CallWhileBusyTest,
    testing::Values(LoopCase{"Answered", 0, kRejected, kOk, 0},
                    LoopCase{"BusyForFiveTries", 5, kRejected, kOk, 5},
                    LoopCase{"RetryLaterToo", 3, kRetryLater, kOk, 3},
                    LoopCase{"BusyForExactlyTheBudget", 120, kRejected, kOk, 120},
                    LoopCase{"BusyPastTheBudget", 100000, kRejected, kRejected, 120},
                    // RPC_E_DISCONNECTED: the call may have run, so it is never made again.
                    LoopCase{"OtherFailureAtOnce", 1, H(0x80010108), H(0x80010108), 0}),
    [](const testing::TestParamInfo<LoopCase>& param) { return std::string(param.param.name); });

// What Windows does with a call the server rejects while a message filter is
// registered: it asks RetryRejectedCall, waits the answer and tries again, or
// fails the call with the rejection when told to cancel.
std::int32_t ThroughFilter(BusyBudget& budget, SimulatedClock& clock, const std::function<bool()>& rejects) {
  for (;;) {
    if (!rejects()) return kOk;
    const std::uint32_t delay = RetryDelay(budget, kServerCallRetryLater);
    if (delay == kCancelRetry) return kRejected;
    clock.Pause(delay);
  }
}

TEST(RetryDelay, EveryGrantedRetryIsChargedEvenWhenTheNextTrySucceeds) {
  BusyBudget budget;
  SimulatedClock clock;
  int answered = 0;
  for (int call = 0; call < 200; ++call) {
    bool rejected = false;
    const auto once = [&] { return !std::exchange(rejected, true); };
    // The filter first; a call it gave up on comes back rejected to the own loop.
    const std::int32_t result = CallWhileBusy(
        budget, [&] { return ThroughFilter(budget, clock, once); },
        [&](std::uint32_t ms) { clock.Pause(ms); });
    if (result != kOk) break;
    ++answered;
  }
  EXPECT_EQ(answered, 120);
  EXPECT_EQ(clock.paused_ms, BusyBudget::kLimitMs) << "the two paths share one budget";
  EXPECT_EQ(RetryDelay(budget, kServerCallRejected), kCancelRetry) << "a spent budget stays spent";
  BusyBudget fresh;
  EXPECT_EQ(RetryDelay(fresh, kServerCallRejected), BusyBudget::kPauseMs);
  EXPECT_EQ(RetryDelay(fresh, 0), kCancelRetry) << "SERVERCALL_ISHANDLED is no rejection";
}

TEST(IsBusyResult, OnlyTheTwoRejections) {
  EXPECT_TRUE(IsBusyResult(kRejected));
  EXPECT_TRUE(IsBusyResult(kRetryLater));
  EXPECT_FALSE(IsBusyResult(H(0x80010108)));  // RPC_E_DISCONNECTED: the call may have run
  EXPECT_FALSE(IsBusyResult(H(0x800706BA)));
}

}  // namespace
}  // namespace wrenpost
