// Looks on this system for the signs by which a started mail client shows
// that it got past its start (StartSigns): its profile lock, a file it holds
// open, its name on the session bus.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>

#include "clients/start_watch.h"

namespace wrenpost {

class SessionBus;

class StartSignWatch {
 public:
  StartSignWatch(StartSigns signs, std::chrono::system_clock::time_point started_at);
  ~StartSignWatch();
  StartSignWatch(const StartSignWatch&) = delete;
  StartSignWatch& operator=(const StartSignWatch&) = delete;

  bool empty() const { return signs_.empty(); }
  // Whether `pid`, or a process it started, shows one of the signs now.
  bool Shows(pid_t pid);

 private:
  bool LockShows(pid_t pid) const;
  bool HeldFileShows(pid_t pid) const;
  bool BusShows(pid_t pid);

  StartSigns signs_;
  std::chrono::system_clock::time_point started_at_;
  std::string held_file_resolved_;
  std::unique_ptr<SessionBus> bus_;
  bool bus_tried_ = false;
};

// Whether process `candidate` is `root` or was started by it, directly or not
// (from /proc).
bool IsSameOrStartedBy(long candidate, pid_t root);

}  // namespace wrenpost
