#include "clients/mime_apps.h"

#include <gtest/gtest.h>

#include <map>

namespace wrenpost {
namespace {

TEST(MimeApps, FoldersFollowTheVariablesOrTheirDefaults) {
  const std::map<std::string, std::string> set = {{"XDG_CONFIG_HOME", "relative"},
                                                  {"XDG_DATA_HOME", "/data/a:b//"}};
  const XdgFolders folders = XdgFoldersFrom(
      [&](const char* name) -> std::optional<std::string> {
        const auto found = set.find(name);
        if (found == set.end()) return std::nullopt;
        return found->second;
      },
      "/home/ala");
  EXPECT_EQ(folders.config_home, "/home/ala/.config");
  EXPECT_EQ(folders.data_home, "/data/a:b");
}

}  // namespace
}  // namespace wrenpost
