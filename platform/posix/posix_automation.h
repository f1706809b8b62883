// The automation server on POSIX systems.
#pragma once

#include "platform/automation.h"

namespace wrenpost {

// "Outlook.Application" is answered by Thunderbird (see thunderbird_item.h)
// when a `thunderbird` executable is on PATH. Any other name, or no
// Thunderbird, raises 429 as a missing server does on Windows.
class PosixAutomationServer final : public AutomationServer {
 public:
  std::unique_ptr<AutomationObject> CreateObject(std::string_view prog_id) override;
};

}  // namespace wrenpost
