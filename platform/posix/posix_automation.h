// The automation server on POSIX systems.
#pragma once

#include "platform/automation.h"

namespace wrenpost {

// No "Outlook.Application" component is available here: creating any object
// raises 429, as a missing server does on Windows.
class PosixAutomationServer final : public AutomationServer {
 public:
  std::unique_ptr<AutomationObject> CreateObject(std::string_view prog_id) override;
};

}  // namespace wrenpost
