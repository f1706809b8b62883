#include "platform/log_wait.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

using std::chrono::milliseconds;

// Tries to take a log that is held for the first `held_tries` tries.
struct Attempts {
  int held_tries;
  int tries = 0;
  int pauses = 0;
  bool Take(LogWaitPolicy& policy) {
    tries = pauses = 0;
    return TakeLog(
        policy, [&] { return ++tries <= held_tries ? LogTry::kHeld : LogTry::kTaken; },
        [&](milliseconds pause) {
          EXPECT_EQ(pause, policy.pause());
          ++pauses;
        });
  }
};

TEST(TakeLog, TriesOnceAPauseForTheWholeAllowanceThenTakesTheLogAsHeld) {
  LogWaitPolicy policy(milliseconds(1000), milliseconds(10));
  Attempts always_held{1000000};
  EXPECT_FALSE(always_held.Take(policy));
  EXPECT_EQ(always_held.tries, 101);  // the first try and one after each of 100 pauses
  EXPECT_EQ(always_held.pauses, 100);
  EXPECT_TRUE(policy.held());
  EXPECT_EQ(policy.Allowance(), milliseconds(0));

  EXPECT_FALSE(always_held.Take(policy));
  EXPECT_EQ(always_held.tries, 1) << "a log taken as held is tried once";

  Attempts free{0};
  EXPECT_TRUE(free.Take(policy)) << "a free log is taken even while it counts as held";
  policy.EntryWritten();
  Attempts held_for_a_moment{3};
  EXPECT_FALSE(policy.held());
  EXPECT_TRUE(held_for_a_moment.Take(policy));
  EXPECT_EQ(held_for_a_moment.tries, 4);
  EXPECT_EQ(held_for_a_moment.pauses, 3);
}

TEST(LogWaitPolicy, NoWaitAndAPauseOfNothing) {
  LogWaitPolicy no_wait(milliseconds(0), milliseconds(0));
  EXPECT_EQ(no_wait.pause(), LogWaitPolicy::kDefaultPause) << "a zero pause would divide by zero";
  Attempts held{1};
  EXPECT_FALSE(held.Take(no_wait));
  EXPECT_EQ(held.tries, 1);
}

}  // namespace
}  // namespace wrenpost
