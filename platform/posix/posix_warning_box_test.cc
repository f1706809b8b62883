#include "platform/posix/posix_warning_box.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace wrenpost
