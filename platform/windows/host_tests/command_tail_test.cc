#include "platform/windows/command_tail.h"

#include <gtest/gtest.h>

#include <string>

namespace wrenpost {
namespace {

struct TailCase {
  const char* name;
  std::u16string command_line;
  std::u16string tail;
};

class CommandTailTest : public testing::TestWithParam<TailCase> {};

TEST_P(CommandTailTest, DropsTheProgramName) {
  EXPECT_EQ(CommandTail(GetParam().command_line), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandTailTest,
    testing::Values(
        TailCase{"Unquoted", u"Wrenpost.exe -to anna", u"-to anna"},
        TailCase{"QuotedWithBlanks", u"\"C:\\Program Files\\Wrenpost.exe\" -subject \"a  b\"",
                 u"-subject \"a  b\""},
        TailCase{"QuoteEndsNoToken", u"\"C:\\W.exe\"-to x", u"x"},  // as the C runtime has it
        TailCase{"QuoteInsideName", u"C:\\\"My Tools\"\\W.exe -to x", u"-to x"},
        TailCase{"SeveralBlanksAndTabs", u"W.exe  \t  -to x  ", u"-to x  "},
        TailCase{"NameOnly", u"W.exe", u""},
        TailCase{"NameAndBlanks", u"W.exe   ", u""},
        TailCase{"UnclosedQuote", u"\"C:\\W.exe -to x", u""},
        TailCase{"Empty", u"", u""},
        TailCase{"QuotesOfTheRestKept", u"W.exe \"-to\" \"anna\"", u"\"-to\" \"anna\""},
        TailCase{"LoneSurrogateKept", std::u16string{u'W', u' ', char16_t(0xD800), u'x'},
                 std::u16string{char16_t(0xD800), u'x'}},
        TailCase{"NonAsciiName", u"Narzędzia.exe -subject Zażółć", u"-subject Zażółć"}),
    [](const testing::TestParamInfo<TailCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace wrenpost
