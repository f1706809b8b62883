#include "platform/posix/posix_automation.h"

#include <string>

#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/thunderbird_item.h"
#include "platform/run_error.h"

namespace wrenpost {

std::unique_ptr<AutomationObject> PosixAutomationServer::CreateObject(std::string_view prog_id) {
  const auto thunderbird = prog_id == "Outlook.Application" ? FindExecutableOnPath("thunderbird") : std::nullopt;
  if (!thunderbird) {
    throw RunError(errors::kCannotCreateObject,
                   "Nie można utworzyć obiektu „" + std::string(prog_id) +
                       "”: nie znaleziono programu thunderbird w folderach ze zmiennej PATH.");
  }
  return CreateThunderbirdApplication(ThunderbirdOpener(*thunderbird), CurrentFolder());
}

}  // namespace wrenpost
