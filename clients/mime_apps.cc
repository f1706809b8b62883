#include "clients/mime_apps.h"

namespace wrenpost {

XdgFolders XdgFoldersFrom(const std::function<std::optional<std::string>(const char*)>& variable,
                          const std::string& home) {
  // A single folder holding a ':' is not split apart.
  const auto single = [&](const char* name, const std::string& fallback) {
    std::optional<std::string> value = variable(name);
    if (!value || value->empty() || value->front() != '/') return fallback;
    while (value->size() > 1 && value->back() == '/') value->pop_back();
    return *value;
  };
  return {single("XDG_CONFIG_HOME", home + "/.config"), single("XDG_DATA_HOME", home + "/.local/share")};
}

}  // namespace wrenpost
