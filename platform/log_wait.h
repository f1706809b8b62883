// How long an entry of the run log waits while another process holds the
// file. A run that found the log held for a whole wait takes it as held and
// stops waiting: its later entries try once each and are lost at once, so a
// log kept open for the whole run costs the run one wait, not one per entry.
// The first entry that gets through again ends that state.
#pragma once

#include <chrono>

namespace wrenpost {

class LogWaitPolicy {
 public:
  static constexpr std::chrono::milliseconds kDefaultWait{1000};

  explicit LogWaitPolicy(std::chrono::milliseconds wait = kDefaultWait) : wait_(wait) {}

  // How long the next entry may wait for the file: the whole wait, or none
  // while the log is taken as held.
  std::chrono::milliseconds Allowance() const {
    return held_ ? std::chrono::milliseconds::zero() : wait_;
  }
  void EntryWritten() { held_ = false; }
  void EntryGivenUp() { held_ = true; }

 private:
  std::chrono::milliseconds wait_;
  bool held_ = false;
};

}  // namespace wrenpost
