// The program's whole normal path: from the command line to an open compose
// window in the mail client.
#pragma once

#include "platform/platform.h"

namespace wrenpost {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;

// Runs once per process. Returns the exit status: kExitSuccess after
// "Koniec programu.", kExitFailure after the failure report.
int RunLauncher(const Platform& platform);

}  // namespace wrenpost
