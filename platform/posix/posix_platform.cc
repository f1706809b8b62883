#include "platform/platform.h"
#include "platform/posix/posix_automation.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_host.h"
#include "platform/posix/posix_mail_clients.h"
#include "platform/posix/posix_warning_box.h"

namespace wrenpost {
namespace {

class PosixHostPlatform final : public HostPlatform {
 public:
  PosixHostPlatform(int argc, char** argv) : process_(argc, argv) {}
  Platform platform() override {
    return {automation_, files_, names_, clock_, process_, warning_box_, mail_clients_};
  }

 private:
  PosixAutomationServer automation_;
  PosixFileSystem files_;
  PosixNameQueries names_;
  PosixClock clock_;
  PosixProcess process_;
  DesktopWarningBox warning_box_;
  PosixMailClients mail_clients_;
};

}  // namespace

std::unique_ptr<HostPlatform> OpenHostPlatform(int argc, char** argv) {
  return std::make_unique<PosixHostPlatform>(argc, argv);
}

}  // namespace wrenpost
