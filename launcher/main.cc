// Entry point: the real platform, handed to the launch sequence.
#include "launcher/run_launcher.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  const auto host = wrenpost::OpenHostPlatform(argc, argv);
  return wrenpost::RunLauncher(host->platform());
}
