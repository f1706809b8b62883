#include "platform/posix/posix_automation.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/posix_error.h"
#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/thunderbird_item.h"
#include "platform/run_error.h"

namespace wrenpost {
namespace {

constexpr std::int32_t kCannotCreateObject = 429;

std::string WorkingFolder() {
  std::string folder(256, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) ThrowSystemError(errno, "getcwd");
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return folder;
}

}  // namespace

std::unique_ptr<AutomationObject> PosixAutomationServer::CreateObject(std::string_view prog_id) {
  const auto thunderbird = prog_id == "Outlook.Application" ? FindExecutableOnPath("thunderbird") : std::nullopt;
  if (!thunderbird) {
    throw RunError(kCannotCreateObject,
                   "Nie można utworzyć obiektu „" + std::string(prog_id) +
                       "”: nie znaleziono programu thunderbird w folderach ze zmiennej PATH.");
  }
  return CreateThunderbirdApplication(ThunderbirdOpener(*thunderbird), WorkingFolder());
}

}  // namespace wrenpost
