// Everything the program reaches outside itself, gathered for RunLauncher.
#pragma once

#include <memory>

#include "platform/automation.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "platform/mail_clients.h"

namespace wrenpost {

struct Platform {
  AutomationServer& automation;
  FileSystem& files;
  NameQueries& names;
  Clock& clock;
  Process& process;
  WarningBox& warning_box;
  MailClients& mail_clients;
};

// The real platform of the machine the program was built for. Owns whatever
// must live for the whole run (on Windows, the COM apartment).
class HostPlatform {
 public:
  virtual ~HostPlatform() = default;
  virtual Platform platform() = 0;
};

// One definition per operating system, chosen by the build.
std::unique_ptr<HostPlatform> OpenHostPlatform(int argc, char** argv);

}  // namespace wrenpost
