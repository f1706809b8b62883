#include "platform/posix/posix_automation.h"

#include <string>

#include "errors/run_error.h"

namespace wrenpost {

std::unique_ptr<AutomationObject> PosixAutomationServer::CreateObject(std::string_view prog_id) {
  throw RunError(errors::kCannotCreateObject,
                 "Nie można utworzyć obiektu „" + std::string(prog_id) +
                     "”: ten system nie ma serwera automatyzacji (bez opcji -client, albo z -client auto, "
                     "wiadomość otwiera domyślny program pocztowy).");
}

}  // namespace wrenpost
