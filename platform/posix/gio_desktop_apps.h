// The desktop's applications as GIO sees them: the default handler of
// mailto: links by the whole freedesktop lookup (mimeapps.list per desktop,
// defaults.list, the desktop files' MimeType associations), and desktop
// files by ID (the first found wins; Hidden, a missing TryExec or Exec
// program: not installed). GIO reads the environment as this run has it.
#pragma once

#include <optional>
#include <string>

#include "clients/desktop_entry.h"

namespace wrenpost {

struct DesktopApp {
  std::string id;      // "thunderbird.desktop"
  std::string file;    // the desktop file's path
  std::string name;    // its Name, for the log
  DesktopEntry entry;  // what its Exec line needs
};

// What `xdg-mime query default x-scheme-handler/mailto` and `gio mime
// x-scheme-handler/mailto` answer; nullopt when nothing handles mailto:.
std::optional<DesktopApp> DefaultMailtoApp();

// The installed desktop file of `id`; nullopt when there is none.
std::optional<DesktopApp> InstalledApp(const std::string& id);

}  // namespace wrenpost
