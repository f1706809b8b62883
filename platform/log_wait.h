// How long an entry of the run log waits while another process holds the
// file. A run that found the log held for a whole wait takes it as held and
// stops waiting: its later entries try once each and are lost at once, so a
// log kept open for the whole run costs the run one wait, not one per entry.
// The first entry that is written again ends that state.
#pragma once

#include <chrono>

namespace wrenpost {

class LogWaitPolicy {
 public:
  static constexpr std::chrono::milliseconds kDefaultWait{1000};
  // How often a waiting entry looks whether the log is free again.
  static constexpr std::chrono::milliseconds kDefaultPause{10};

  explicit LogWaitPolicy(std::chrono::milliseconds wait = kDefaultWait,
                         std::chrono::milliseconds pause = kDefaultPause)
      : wait_(wait), pause_(pause.count() > 0 ? pause : kDefaultPause) {}

  // How long the next entry may wait for the file: the whole wait, or none
  // while the log is taken as held.
  std::chrono::milliseconds Allowance() const {
    return held_ ? std::chrono::milliseconds::zero() : wait_;
  }
  std::chrono::milliseconds pause() const { return pause_; }
  bool held() const { return held_; }

  // Call once the entry is in the file: it was not lost, the log is free.
  void EntryWritten() { held_ = false; }
  // Call when the entry could not have the file within its allowance.
  void EntryGivenUp() { held_ = true; }

 private:
  std::chrono::milliseconds wait_;
  std::chrono::milliseconds pause_;
  bool held_ = false;
};

// The answer of one try to have the log for an entry.
enum class LogTry { kTaken, kHeld };

// Tries to have the log (`try_take` answers kTaken or kHeld, and raises on any
// other failure), again after each `pause(policy.pause())` while another
// process holds it, for as many pauses as the allowance holds. True once
// taken; false when given up, which the policy then remembers.
template <typename TryTake, typename Pause>
bool TakeLog(LogWaitPolicy& policy, TryTake&& try_take, Pause&& pause) {
  auto pauses_left = policy.Allowance() / policy.pause();
  while (try_take() == LogTry::kHeld) {
    if (pauses_left-- <= 0) {
      policy.EntryGivenUp();
      return false;
    }
    pause(policy.pause());
  }
  return true;
}

}  // namespace wrenpost
