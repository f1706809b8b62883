#include "options/parse_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace wrenpost {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using List = std::vector<std::string>;

// What a parse is expected to give; lists as nullopt when never set.
struct GrammarCase {
  const char* name;
  std::string command_text;
  std::string subject;
  std::string body;
  std::string body_file;
  bool delete_body_file;
  bool html;
  TextList attachments;
  TextList recipients;
};

void PrintTo(const GrammarCase& c, std::ostream* out) { *out << c.name; }

class GrammarTest : public ::testing::TestWithParam<GrammarCase> {};

TEST_P(GrammarTest, ParsesAsTheCallersExpect) {
  const GrammarCase& c = GetParam();
  const MessageRequest request = ParseOptions(c.command_text);
  EXPECT_EQ(request.subject, c.subject);
  EXPECT_EQ(request.body, c.body);
  EXPECT_EQ(request.body_file_path, c.body_file);
  EXPECT_EQ(request.delete_body_file, c.delete_body_file);
  EXPECT_EQ(request.html, c.html);
  EXPECT_EQ(request.attachments, c.attachments);
  EXPECT_EQ(request.recipients, c.recipients);
}

const std::nullopt_t kNotSet = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Grammar, GrammarTest,
    ::testing::Values(
        GrammarCase{"Typical", "-to anna;jan -subject Oferta -body Dzień dobry", "Oferta",
                    "Dzień dobry", "", false, false, kNotSet, List{"anna", "jan"}},
        GrammarCase{"TypicalQuoted", "-to \"anna;jan\" -subject \"Oferta\" -body \"Dzień dobry\"",
                    "Oferta", "Dzień dobry", "", false, false, kNotSet, List{"anna", "jan"}},
        GrammarCase{"ValueRunsToNextOption", "-subject Hello world", "Hello world", "", "", false,
                    false, kNotSet, kNotSet},
        GrammarCase{"BlankHyphenInsideQuotesStillCuts", "-subject \"Oferta - marzec\"", "Oferta",
                    "", "", false, false, kNotSet, kNotSet},
        GrammarCase{"HyphenWithoutBlankDoesNotCut", "-subject a-b", "a-b", "", "", false, false,
                    kNotSet, kNotSet},
        GrammarCase{"HtmlWithoutValueIgnored", "-html", "", "", "", false, false, kNotSet, kNotSet},
        GrammarCase{"HtmlOne", "-html 1", "", "", "", false, true, kNotSet, kNotSet},
        GrammarCase{"HtmlQuotedOne", "-html \"1\"", "", "", "", false, true, kNotSet, kNotSet},
        GrammarCase{"HtmlTrue", "-html true", "", "", "", false, false, kNotSet, kNotSet},
        GrammarCase{"HtmlYes", "-html yes", "", "", "", false, false, kNotSet, kNotSet},
        GrammarCase{"HtmlZeroOne", "-html 01", "", "", "", false, false, kNotSet, kNotSet},
        GrammarCase{"HtmlOneWithBlanks", "-html  1  ", "", "", "", false, true, kNotSet, kNotSet},
        GrammarCase{"EmptyQuotedSubject", "-subject \"\"", "", "", "", false, false, kNotSet,
                    kNotSet},
        GrammarCase{"BlankAfterSemicolonKept", "-to anna; jan", "", "", "", false, false, kNotSet,
                    List{"anna", " jan"}},
        GrammarCase{"EmptyQuotedRecipientsSetButEmpty", "-to \"\"", "", "", "", false, false,
                    kNotSet, List{}},
        GrammarCase{"TextBeforeFirstOptionIgnored", "foo -subject x", "x", "", "", false, false,
                    kNotSet, kNotSet},
        GrammarCase{"LeadingTextThatLooksLikeAnOption", "subject x -body y", "", "y", "", false,
                    false, kNotSet, kNotSet},
        GrammarCase{"LastSubjectWins", "-subject a -subject b", "b", "", "", false, false, kNotSet,
                    kNotSet},
        GrammarCase{"LaterListReplaces", "-to a -to b", "", "", "", false, false, kNotSet,
                    List{"b"}},
        GrammarCase{"LaterAttachmentListReplaces", "-attachment a;b -attachment c", "", "", "",
                    false, false, List{"c"}, kNotSet},
        GrammarCase{"BlankAfterHyphenIgnored", "- subject x", "", "", "", false, false, kNotSet,
                    kNotSet},
        GrammarCase{"KeysAreCaseSensitive", "-Subject x", "", "", "", false, false, kNotSet,
                    kNotSet},
        GrammarCase{"PieceWithLeadingBlankIgnored", "-to a -  subject x", "", "", "", false, false,
                    kNotSet, List{"a"}},
        GrammarCase{"BodyFileAndDeleteAreDistinctKeys",
                    "-bodyfiledelete 1 -bodyfile C:\\tmp\\b.html", "", "", "C:\\tmp\\b.html", true,
                    false, kNotSet, kNotSet},
        GrammarCase{"DeleteFlagOtherValue", "-bodyfile b.txt -bodyfiledelete 2", "", "", "b.txt",
                    false, false, kNotSet, kNotSet},
        GrammarCase{"PrefixOfKeyIsNoKey", "-bodyfil x -subj y", "", "", "", false, false, kNotSet,
                    kNotSet},
        GrammarCase{"TabIsAnOrdinaryCharacter", "-subject\tx -body a\tb", "", "a\tb", "", false,
                    false, kNotSet, kNotSet},
        GrammarCase{"TabInsideValueKept", "-subject \tx\t", "\tx\t", "", "", false, false, kNotSet,
                    kNotSet},
        GrammarCase{"EmptyCommandText", "", "", "", "", false, false, kNotSet, kNotSet},
        GrammarCase{"OnlyBlanks", "    ", "", "", "", false, false, kNotSet, kNotSet},
        GrammarCase{"CommandTextStartingWithBlankHyphen", " -subject x", "x", "", "", false, false,
                    kNotSet, kNotSet},
        GrammarCase{"InnerQuotesStay", "-subject \"a \"b\" c\"", "a \"b\" c", "", "", false, false,
                    kNotSet, kNotSet},
        GrammarCase{"OnlyOneQuoteRemovedEachEnd", "-subject \"\"x\"\"", "\"x\"", "", "", false,
                    false, kNotSet, kNotSet},
        GrammarCase{"ValueWithHyphenRunNotCut", "-subject x--y", "x--y", "", "", false, false,
                    kNotSet, kNotSet},
        GrammarCase{"DoubleBlankHyphenKeepsEmptyPieces", "-subject x  -to a", "x", "", "", false,
                    false, kNotSet, List{"a"}},
        GrammarCase{"AttachmentsWithEmptyElement", "-attachment \"C:\\a b.pdf;;C:\\c.pdf\"", "",
                    "", "", false, false, List{"C:\\a b.pdf", "", "C:\\c.pdf"}, kNotSet},
        GrammarCase{"NegativeNumberValueIsCut", "-subject Temp -5 stopni", "Temp", "", "", false,
                    false, kNotSet, kNotSet}),
    [](const ::testing::TestParamInfo<GrammarCase>& info) { return std::string(info.param.name); });

TEST(Unquote, TrimsBlanksThenOneQuoteAtEachEnd) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"   ", ""},
      {"\"", ""},
      {" \" ", ""},
      {"\"\"", ""},
      {"\" x \"", " x "},
      {"a\"b", "a\"b"},
      {"\"a\"b\"", "a\"b"},
      {"\"abc", "abc"},
      {"abc\"", "abc"},
      {"\t\"x\"\t", "\t\"x\"\t"},  // a tab is no blank
      {"  Dzień dobry  ", "Dzień dobry"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(Unquote(input), expected) << "input [" << input << "]";
  }
}

TEST(SplitList, KeepsEveryPieceUntrimmed) {
  EXPECT_THAT(SplitList(""), IsEmpty());
  EXPECT_THAT(SplitList("a"), ElementsAre("a"));
  EXPECT_THAT(SplitList("a;;b"), ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitList("a;"), ElementsAre("a", ""));
  EXPECT_THAT(SplitList(";"), ElementsAre("", ""));
  EXPECT_THAT(SplitList(" a ; b "), ElementsAre(" a ", " b "));
}

TEST(CountItems, ZeroForNeverSetAndForEmpty) {
  EXPECT_EQ(CountItems(std::nullopt), 0u);
  EXPECT_EQ(CountItems(List{}), 0u);
  EXPECT_EQ(CountItems(List{""}), 1u);
  EXPECT_EQ(CountItems(SplitList("a;;b")), 3u);
}

}  // namespace
}  // namespace wrenpost
