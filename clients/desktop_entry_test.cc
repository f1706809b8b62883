#include "clients/desktop_entry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace wrenpost {
namespace {

using ::testing::ElementsAreArray;

TEST(DesktopEntry, ReadsOnlyTheEntryGroupAndUndoesEscapes) {
  const auto entry = ParseDesktopEntry(
      "# comment\n[Desktop Entry]\nType=Application\nName = Poczta\nIcon=mail\nExec=a\\sb %u\nHidden=true\n"
      "[Desktop Action Compose]\nName=Other\nExec=other\n");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->name, "Poczta");
  EXPECT_EQ(entry->exec, "a b %u");
  EXPECT_TRUE(entry->hidden);
  EXPECT_FALSE(ParseDesktopEntry("[Desktop Entry]\nType=Link\nExec=x\n"));
  EXPECT_FALSE(ParseDesktopEntry("[Desktop Entry]\nType=Application\n"));
}

TEST(DesktopEntry, ExecWordsFollowQuotingAndFieldCodes) {
  struct Case {
    std::string exec;
    std::vector<std::string> words;  // empty: refused
  };
  const Case cases[] = {
      {"/usr/bin/thunderbird %u", {"/usr/bin/thunderbird"}},
      {"kmail -qwindowtitle %c %U", {"kmail", "-qwindowtitle", "Poczta"}},
      {"app %i --x=%f%%", {"app", "--icon", "mail", "--x=%"}},
      {"\"/opt/my app/run\" \"a \\\"b\\\" \\\\ $\" %k", {"/opt/my app/run", "a \"b\" \\ $", "/x/p.desktop"}},
      {"\"%u\"", {"%u"}},  // no codes inside quotes
      {"app \"open", {}},
      {"app %z", {}},
      {"%U", {}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.exec);
    const DesktopEntry entry{"Poczta", "mail", test.exec, "", false};
    const auto words = ExecWords(entry, "/x/p.desktop");
    if (test.words.empty()) {
      EXPECT_FALSE(words);
    } else {
      ASSERT_TRUE(words);
      EXPECT_THAT(*words, ElementsAreArray(test.words));
    }
  }
}

}  // namespace
}  // namespace wrenpost
