#include "platform/posix/posix_warning_box.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/posix/posix_spawn_tools.h"

namespace wrenpost {
namespace {

using ::testing::ElementsAre;

TEST(BoxLines, TurnsCrLfIntoLineBreaksOnly) {
  EXPECT_EQ(BoxLines("a\r\nb"), "a\nb");
  EXPECT_EQ(BoxLines("a\rb\nc\r"), "a\rb\nc\r");
  EXPECT_EQ(BoxLines("\r\n\r\n"), "\n\n");
}

TEST(DialogCommands, EachToolGetsCaptionTextWarningAndOneButton) {
  const auto commands = DialogCommands("Wrenpost", "Wystąpił błąd:\r\nC:\\a\\n <b>x</b>");
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0].program, "zenity");
  EXPECT_THAT(commands[0].arguments,
              ElementsAre("zenity", "--warning", "--no-markup", "--title=Wrenpost",
                          "--text=Wystąpił błąd:\nC:\\a\\n <b>x</b>"));
  EXPECT_EQ(commands[1].program, "kdialog");
  EXPECT_THAT(commands[1].arguments,
              ElementsAre("kdialog", "--title", "Wrenpost", "--sorry", "Wystąpił błąd:\nC:\\\\a\\\\n <b>x</b>"));
  EXPECT_EQ(commands[2].program, "xmessage");
  EXPECT_THAT(commands[2].arguments,
              ElementsAre("xmessage", "-title", "Wrenpost", "-center", "-buttons", "OK:0", "-default", "OK",
                          "-file", "-"));
  EXPECT_EQ(commands[2].input, "/!\\ Wystąpił błąd:\nC:\\a\\n <b>x</b>\n");
  for (const auto& command : commands) EXPECT_TRUE(command.input.empty() || command.program == "xmessage");
}

TEST(FindExecutable, SearchesAbsoluteFoldersInOrder) {
  EXPECT_EQ(FindExecutable("sh", "/nonexistent:/bin:/usr/bin"), "/bin/sh");
  EXPECT_EQ(FindExecutable("sh", "/nonexistent/:/usr/bin/:/bin"), "/usr/bin/sh");
  EXPECT_EQ(FindExecutable("sh", ":.:bin:/nonexistent"), std::nullopt);  // relative folders are skipped
  EXPECT_EQ(FindExecutable("passwd", "/etc"), std::nullopt);              // not executable
  EXPECT_EQ(FindExecutable("bin", "/"), std::nullopt);                    // a folder
  EXPECT_EQ(FindExecutable("/bin/sh", "/"), std::nullopt);
  EXPECT_EQ(FindExecutable("", "/bin"), std::nullopt);
}

TEST(RunAndWait, ReportsHowTheProgramEnded) {
  const ProgramEnd ok = RunAndWait("/bin/sh", {"sh", "-c", "read x; test \"$x\" = zażółć"}, "zażółć\n");
  EXPECT_TRUE(ok.started && ok.exited);
  EXPECT_EQ(ok.exit_code, 0);
  EXPECT_EQ(RunAndWait("/bin/sh", {"sh", "-c", "exit 3"}).exit_code, 3);
  const ProgramEnd killed = RunAndWait("/bin/sh", {"sh", "-c", "kill -9 $$"});
  EXPECT_TRUE(killed.started);
  EXPECT_FALSE(killed.exited);
  EXPECT_FALSE(RunAndWait("/nonexistent/tool", {"tool"}).started);
  // A reader that leaves early does not take the writer down.
  EXPECT_EQ(RunAndWait("/bin/sh", {"sh", "-c", "exit 0"}, std::string(1 << 20, 'x')).exit_code, 0);
}

}  // namespace
}  // namespace wrenpost
