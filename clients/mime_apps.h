// The user's XDG base folders, where a sandboxed client's own files are
// found. Pure code. (Which program the desktop opens mailto: links with is
// GIO's to say: platform/posix/gio_desktop_apps.h.)
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace wrenpost {

// The user's folders of the XDG base directories, defaults filled in.
struct XdgFolders {
  std::string config_home;  // $XDG_CONFIG_HOME or ~/.config
  std::string data_home;    // $XDG_DATA_HOME or ~/.local/share
};

// The folders that `variable` (an environment lookup) and `home` give.
// Relative values are ignored, as the rules say.
XdgFolders XdgFoldersFrom(const std::function<std::optional<std::string>(const char*)>& variable,
                          const std::string& home);

}  // namespace wrenpost
