#include "clients/mime_apps.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace wrenpost {
namespace {

using ::testing::ElementsAre;

TEST(MimeApps, FoldersFollowTheVariablesOrTheirDefaults) {
  const std::map<std::string, std::string> set = {{"XDG_CONFIG_HOME", "relative"},
                                                  {"XDG_DATA_DIRS", "/a/:b:/c"},
                                                  {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}};
  const XdgFolders folders = XdgFoldersFrom(
      [&](const char* name) -> std::optional<std::string> {
        const auto found = set.find(name);
        if (found == set.end()) return std::nullopt;
        return found->second;
      },
      "/home/ala");
  EXPECT_EQ(folders.config_home, "/home/ala/.config");
  EXPECT_THAT(folders.config_dirs, ElementsAre("/etc/xdg"));
  EXPECT_THAT(folders.data_dirs, ElementsAre("/a", "/c"));
  EXPECT_THAT(ApplicationFolders(folders),
              ElementsAre("/home/ala/.local/share/applications", "/a/applications", "/c/applications"));
  const auto lists = MimeAppsLookupOrder(folders);
  ASSERT_EQ(lists.size(), 15u);
  EXPECT_EQ(lists[0].path, "/home/ala/.config/ubuntu-mimeapps.list");
  EXPECT_TRUE(lists[1].desktop_specific);
  EXPECT_EQ(lists[2].path, "/home/ala/.config/mimeapps.list");
  EXPECT_EQ(lists[14].path, "/c/applications/mimeapps.list");
}

TEST(MimeApps, DefaultIsTheFirstInstalledAndNotRemoved) {
  const std::vector<MimeAppsList> lists = {{"gnome", true}, {"user", false}, {"system", false}};
  const auto installed = [](const std::string& id) { return id != "gone.desktop"; };
  struct Case {
    std::string name;
    std::vector<std::string> texts;
    std::optional<std::string> expected;
  };
  const std::string mailto = "[Default Applications]\nx-scheme-handler/mailto=";
  const Case cases[] = {
      {"desktop list first", {mailto + "a.desktop", mailto + "b.desktop", ""}, "a.desktop"},
      {"skips what is not installed", {mailto + "gone.desktop;", mailto + "gone.desktop;b.desktop", ""}, "b.desktop"},
      {"removed by the same file",
       {"", mailto + "a.desktop;b.desktop\n[Removed Associations]\nx-scheme-handler/mailto=a.desktop", ""},
       "b.desktop"},
      {"removed by an earlier file", {"", "[Removed Associations]\nx-scheme-handler/mailto=c.desktop", mailto + "c.desktop"},
       std::nullopt},
      {"a desktop list removes nothing", {"[Removed Associations]\nx-scheme-handler/mailto=c.desktop", "", mailto + "c.desktop"},
       "c.desktop"},
      {"other types do not count", {"[Default Applications]\ntext/html=a.desktop", "", ""}, std::nullopt},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(DefaultApplication(lists, test.texts, "x-scheme-handler/mailto", installed), test.expected);
  }
}

}  // namespace
}  // namespace wrenpost
