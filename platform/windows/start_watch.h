// What a started mail client's first seconds say: a client that ends with a
// failure within kStartWatch did not open the message; one that ends well
// (it handed the message to a running instance) or still runs (the first
// instance) did. Pure code: the watching is done at the edge
// (win_process_start.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/run_error.h"

namespace wrenpost {

struct WatchedStart {
  bool ended = false;           // it ended within the watch
  std::uint32_t exit_code = 0;  // when it ended
  std::string output;           // what it wrote to its standard output and error, UTF-8
};

// The first line of `output` that holds more than blanks, without them at
// its ends, at most 400 bytes (cut on a character boundary); empty when none.
std::string FirstOutputLine(std::string_view output);

// nullopt when the start opened the message (still running, or ended with
// 0); otherwise the 429 report, described by the client's first output line
// when it wrote one, else by its exit code.
std::optional<RunError> StartFailure(std::string_view client_name, const WatchedStart& start);

}  // namespace wrenpost
