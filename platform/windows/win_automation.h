// COM automation of the mail client, late-bound through IDispatch.
#pragma once

#include "platform/automation.h"

namespace wrenpost {

// Creates objects as a script's CreateObject does: the class of the
// programmatic identifier, from a local or an in-process server on this
// machine. Needs the thread's single-threaded apartment (ComApartment).
class ComAutomationServer final : public AutomationServer {
 public:
  std::unique_ptr<AutomationObject> CreateObject(std::string_view prog_id) override;
};

}  // namespace wrenpost
