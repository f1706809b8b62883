#include "platform/platform.h"
#include "platform/windows/automation_error.h"
#include "platform/windows/win_automation.h"
#include "platform/windows/win_file_system.h"
#include "platform/windows/win_host.h"
#include "platform/windows/win_mail_clients.h"
#include "platform/windows/win_owners.h"

namespace wrenpost {
namespace {

class WindowsHostPlatform final : public HostPlatform {
 public:
  Platform platform() override {
    return {automation_, files_, names_, clock_, process_, warning_box_, mail_clients_};
  }

 private:
  // Declared first, so it is left last: after every handle is gone.
  ComApartment apartment_;
  // One budget for the whole run's waiting on a busy mail client.
  BusyBudget busy_;
  BusyMessageFilter busy_filter_{busy_};
  ScopedMessageFilter registered_filter_{SUCCEEDED(apartment_.result()) ? &busy_filter_ : nullptr};
  ComAutomationServer automation_{apartment_.result(), busy_};
  WindowsFileSystem files_;
  WindowsNameQueries names_;
  WindowsClock clock_;
  WindowsProcess process_;
  WindowsWarningBox warning_box_;
  WindowsMailClients mail_clients_;
};

}  // namespace

// The arguments are not used: the command text comes whole from
// GetCommandLineW, quotes and all.
std::unique_ptr<HostPlatform> OpenHostPlatform(int, char**) {
  return std::make_unique<WindowsHostPlatform>();
}

}  // namespace wrenpost
