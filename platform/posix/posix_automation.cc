#include "platform/posix/posix_automation.h"

#include <string>

#include "platform/run_error.h"

namespace wrenpost {

std::unique_ptr<AutomationObject> PosixAutomationServer::CreateObject(std::string_view prog_id) {
  throw RunError(429, "Składnik ActiveX nie może utworzyć obiektu: w tym systemie nie ma "
                      "serwera automatyzacji „" + std::string(prog_id) + "”.");
}

}  // namespace wrenpost
