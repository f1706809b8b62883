// Which desktop file the desktop opens a MIME type (or a URL scheme) with, by
// the freedesktop rules for mimeapps.list. Pure code: the caller reads the
// files and says which desktop files are installed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wrenpost {

// The folders of the XDG base directories, defaults filled in.
struct XdgFolders {
  std::string config_home;               // $XDG_CONFIG_HOME or ~/.config
  std::vector<std::string> config_dirs;  // $XDG_CONFIG_DIRS or /etc/xdg
  std::string data_home;                 // $XDG_DATA_HOME or ~/.local/share
  std::vector<std::string> data_dirs;    // $XDG_DATA_DIRS or /usr/local/share, /usr/share
  std::vector<std::string> desktops;     // $XDG_CURRENT_DESKTOP's names, lower case
};

// The folders that `variable` (an environment lookup) and `home` give.
// Relative values are ignored, as the rules say.
XdgFolders XdgFoldersFrom(const std::function<std::optional<std::string>(const char*)>& variable,
                          const std::string& home);

// The folders desktop files are found in: data_home's, then each data dir's "applications".
std::vector<std::string> ApplicationFolders(const XdgFolders& folders);

// One mimeapps.list on the lookup path.
struct MimeAppsList {
  std::string path;
  bool desktop_specific = false;  // "$desktop-mimeapps.list": only its defaults count
};

// The mimeapps.list files in lookup order: per folder (config home, config
// dirs, data home's and data dirs' "applications") each desktop's list, then
// the plain one.
std::vector<MimeAppsList> MimeAppsLookupOrder(const XdgFolders& folders);

// The default application of `type`: the first desktop file ID listed under
// [Default Applications] for it, file by file in lookup order, that
// `installed` accepts and that no [Removed Associations] of that file or of
// one before it takes away. `texts` holds the content of each file of
// `lists` (empty when missing). nullopt when none is found.
std::optional<std::string> DefaultApplication(const std::vector<MimeAppsList>& lists,
                                              const std::vector<std::string>& texts, std::string_view type,
                                              const std::function<bool(const std::string&)>& installed);

}  // namespace wrenpost
