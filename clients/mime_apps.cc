#include "clients/mime_apps.h"

#include <algorithm>
#include <cctype>

#include "clients/key_file.h"

namespace wrenpost {
namespace {

std::vector<std::string> AbsoluteFolders(const std::optional<std::string>& value,
                                         std::vector<std::string> defaults) {
  std::vector<std::string> folders;
  for (std::string& folder : SplitList(value.value_or(""), ':')) {
    if (folder.front() != '/') continue;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    folders.push_back(std::move(folder));
  }
  return folders.empty() ? defaults : folders;
}

}  // namespace

XdgFolders XdgFoldersFrom(const std::function<std::optional<std::string>(const char*)>& variable,
                          const std::string& home) {
  XdgFolders folders;
  // A single folder holding a ':' is not split apart.
  const auto single = [&](const char* name, const std::string& fallback) {
    std::optional<std::string> value = variable(name);
    if (!value || value->empty() || value->front() != '/') return fallback;
    while (value->size() > 1 && value->back() == '/') value->pop_back();
    return *value;
  };
  folders.config_home = single("XDG_CONFIG_HOME", home + "/.config");
  folders.config_dirs = AbsoluteFolders(variable("XDG_CONFIG_DIRS"), {"/etc/xdg"});
  folders.data_home = single("XDG_DATA_HOME", home + "/.local/share");
  folders.data_dirs = AbsoluteFolders(variable("XDG_DATA_DIRS"), {"/usr/local/share", "/usr/share"});
  for (std::string& desktop : SplitList(variable("XDG_CURRENT_DESKTOP").value_or(""), ':')) {
    std::transform(desktop.begin(), desktop.end(), desktop.begin(),
                   [](unsigned char c) { return c < 0x80 ? std::tolower(c) : c; });
    folders.desktops.push_back(std::move(desktop));
  }
  return folders;
}

std::vector<std::string> ApplicationFolders(const XdgFolders& folders) {
  std::vector<std::string> result = {folders.data_home + "/applications"};
  for (const std::string& dir : folders.data_dirs) result.push_back(dir + "/applications");
  return result;
}

std::vector<MimeAppsList> MimeAppsLookupOrder(const XdgFolders& folders) {
  std::vector<std::string> dirs = {folders.config_home};
  dirs.insert(dirs.end(), folders.config_dirs.begin(), folders.config_dirs.end());
  for (const std::string& applications : ApplicationFolders(folders)) dirs.push_back(applications);
  std::vector<MimeAppsList> lists;
  for (const std::string& dir : dirs) {
    for (const std::string& desktop : folders.desktops) lists.push_back({dir + "/" + desktop + "-mimeapps.list", true});
    lists.push_back({dir + "/mimeapps.list", false});
  }
  return lists;
}

std::optional<std::string> DefaultApplication(const std::vector<MimeAppsList>& lists,
                                              const std::vector<std::string>& texts, std::string_view type,
                                              const std::function<bool(const std::string&)>& installed) {
  std::vector<std::string> removed;
  for (std::size_t i = 0; i < lists.size() && i < texts.size(); ++i) {
    const std::vector<KeyFileGroup> groups = ParseKeyFile(texts[i]);
    if (!lists[i].desktop_specific) {
      if (const KeyFileGroup* group = FindGroup(groups, "Removed Associations")) {
        for (const auto& [key, value] : group->entries) {
          if (key != type) continue;
          for (std::string& id : SplitList(value, ';')) removed.push_back(std::move(id));
        }
      }
    }
    const KeyFileGroup* defaults = FindGroup(groups, "Default Applications");
    const std::string* listed = defaults ? defaults->Find(type) : nullptr;
    if (listed == nullptr) continue;
    for (const std::string& id : SplitList(*listed, ';')) {
      if (std::find(removed.begin(), removed.end(), id) != removed.end()) continue;
      if (installed(id)) return id;
    }
  }
  return std::nullopt;
}

}  // namespace wrenpost
