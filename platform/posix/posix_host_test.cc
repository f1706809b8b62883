#include "platform/posix/posix_host.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

TEST(JoinCommandText, RebuildsWhatAWindowsCallerWouldHaveTyped) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, ""},
      {{"-to", "anna;jan", "-subject", "Oferta"}, "-to anna;jan -subject Oferta"},
      {{"-subject", "Dzień dobry"}, "-subject \"Dzień dobry\""},
      {{"-subject", ""}, "-subject \"\""},
      {{"-subject", "a\tb"}, "-subject a\tb"},
      {{"-attachment", "C:\\a b.pdf;C:\\c.pdf"}, "-attachment \"C:\\a b.pdf;C:\\c.pdf\""},
  };
  for (const auto& [arguments, expected] : cases) {
    EXPECT_EQ(JoinCommandText(arguments), expected);
  }
}

TEST(PosixNameQueries, AnswerFullBuffersWithTheName) {
  PosixNameQueries names;
  const std::string user = names.QueryUserName();
  EXPECT_EQ(user.size(), 1024u);
  EXPECT_NE(user[0], '\0');
  const std::string host = names.QueryComputerName();
  EXPECT_EQ(host.size(), 1024u);
  EXPECT_NE(host[0], '\0');
}

TEST(PosixProcess, KnowsItsOwnPath) {
  char name[] = "wrenpost";
  char* argv[] = {name, nullptr};
  PosixProcess process(1, argv);
  EXPECT_EQ(process.ExecutablePath().front(), '/');
}

}  // namespace
}  // namespace wrenpost
