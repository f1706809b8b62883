// The automation server on POSIX systems: there is none.
#pragma once

#include "platform/automation.h"

namespace wrenpost {

// No class is registered here: CreateObject raises 429, as a missing server
// does on Windows, and CreateObjectIfRegistered answers null, so that a run
// goes to the desktop's own mail client.
class PosixAutomationServer final : public AutomationServer {
 public:
  std::unique_ptr<AutomationObject> CreateObject(std::string_view prog_id) override;
  std::unique_ptr<AutomationObject> CreateObjectIfRegistered(std::string_view) override { return nullptr; }
};

}  // namespace wrenpost
