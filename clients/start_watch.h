// What a started mail client's first seconds say: a client that ends with a
// failure within kStartWatch did not open the message; one that ends well
// (it handed the message to a running instance) or still runs (the first
// instance) did. Pure code: each system watches its own way
// (posix_spawn_tools.h, win_process_start.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "clients/client_name.h"
#include "errors/run_error.h"

namespace wrenpost {

struct StartOutcome {
  enum class Kind {
    kRunning,  // still running when the watch ended
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

}  // namespace wrenpost
