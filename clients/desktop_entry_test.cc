#include "clients/desktop_entry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace wrenpost {
namespace {

using ::testing::ElementsAreArray;

TEST(DesktopEntry, ExecWordsFollowQuotingAndFieldCodes) {
  struct Case {
    std::string exec;
    std::vector<std::string> words;  // empty: refused
    std::string url;                 // a mailto: handler's link
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
      {"sylpheed --compose %u --x", {"sylpheed", "--compose", "mailto:a", "--x"}, "mailto:a"},
      {"browser --new-window=%U", {"browser", "--new-window=mailto:a"}, "mailto:a"},
      {"mailer", {"mailer", "mailto:a"}, "mailto:a"},  // no code: the link goes last
      {"mailer %u %U", {"mailer", "mailto:a"}, "mailto:a"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.exec);
    const DesktopEntry entry{"Poczta", "mail", test.exec};
    const auto words = ExecWords(entry, "/x/p.desktop", test.url);
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
