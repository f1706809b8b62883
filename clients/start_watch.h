// What a started mail client's first seconds say: a client that ends with a
// failure within kStartWatch did not open the message; one that ends well
// (it handed the message to a running instance), shows a sign that it got
// past its start, or still runs when the watch is over (the first instance)
// did. Pure code: each system watches its own way (posix_spawn_tools.h,
// posix_start_signs.h, win_process_start.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "clients/client_name.h"
#include "clients/linux_client_choice.h"
#include "errors/run_error.h"

namespace wrenpost {

struct StartOutcome {
  enum class Kind {
    kRunning,  // still running when the watch ended
    kStarted,  // still running, and showed that it got past its start
    kExited,   // ended within the watch, with `code`
    kKilled,   // ended by a signal within the watch, `code` is its number
  };
  Kind kind = Kind::kRunning;
  std::uint32_t code = 0;
  std::string output;  // what it wrote to its standard error during the watch
};

// The first line of `output` that holds more than blanks, without them at
// its ends, at most 400 bytes (cut on a character boundary), any broken
// UTF-8 replaced; empty when none.
std::string FirstOutputLine(std::string_view output);

// The exit status of a client's launcher that handed the message to a running
// instance of it. Geary's is 255 (its command-line handler returns -1) while
// the composer opens; Evolution's and KMail's launchers end with 0.
std::uint32_t HandOverExitCode(ClientName client);

// nullopt when the start opened the message (still running, or ended with 0
// or `handed_over`); otherwise the 429 report, described by the client's
// first output line when it wrote one, else by how it ended.
std::optional<RunError> StartFailure(std::string_view client_name, const StartOutcome& start,
                                     std::uint32_t handed_over = 0);

// What shows on Linux that a client's first instance got past its start.
// Each is looked for as the started process's (or a process it started):
// the start of another instance, or one left by an earlier run, never counts.
struct StartSigns {
  // Thunderbird, Betterbird: the folder of the profiles; a profile that an
  // instance uses holds `lock`, a symbolic link to "ADDRESS:+PID".
  std::string profiles_root;
  // Claws Mail: its log, which it opens once it has its display (its control
  // socket comes before that, so a start that then fails has one too).
  std::string held_file;
  // Names the client takes on the session bus; one ending in '.' stands for
  // every name that begins so.
  std::vector<std::string> bus_names;
  // A flatpak runs in a process namespace of its own: the PID its lock
  // names is not the system's, so a lock made since the start counts.
  bool lock_pid_inside = false;

  bool empty() const { return profiles_root.empty() && held_file.empty() && bus_names.empty(); }
};

// The signs of `name` started as `packaging` (`sandbox`: the snap's name or
// the flatpak's ID) for the user whose home folder is `home`.
StartSigns StartSignsOf(ClientName name, Packaging packaging, const std::string& sandbox, const std::string& home);

// The PID a profile lock's target names ("127.0.1.1:+4242" -> 4242); nullopt
// for anything else.
std::optional<long> LockOwner(std::string_view lock_target);

// Whether `bus_name` is one of the signs' names.
bool IsSignBusName(const StartSigns& signs, std::string_view bus_name);

}  // namespace wrenpost
