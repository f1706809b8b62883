// A mail client started with one command line and watched for its first
// seconds (start_watch.h says what they mean).
#pragma once

#include <string>

#include "clients/start_watch.h"

namespace wrenpost {

// Starts `executable` with `command_line` (CreateProcessW; the program's
// standard output and error go to a pipe of this process and nothing else
// is inherited) and watches it for up to kStartWatch: until it ends or the
// time is up, whichever comes first. Raises the 429 report, naming
// `client_name` and the executable, when it cannot be started.
StartOutcome StartAndWatch(const std::string& executable, const std::string& command_line,
                           const std::string& client_name);

}  // namespace wrenpost
