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
  bool delete_body_file = false;
  bool html = false;
  TextList attachments;
  TextList recipients;
  TextList cc_recipients;
  TextList bcc_recipients;
  std::string from;
  bool signature = false;
  std::string client;
  std::string template_path;
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
  EXPECT_EQ(request.cc_recipients, c.cc_recipients);
  EXPECT_EQ(request.bcc_recipients, c.bcc_recipients);
  EXPECT_EQ(request.from, c.from);
  EXPECT_EQ(request.signature, c.signature);
  EXPECT_EQ(request.client, c.client);
  EXPECT_EQ(request.template_path, c.template_path);
}

const TextList kNotSet = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Grammar, GrammarTest,
    ::testing::Values(
        GrammarCase{.name = "Typical",
                    .command_text = "-to anna;jan -subject Oferta -body Dzień dobry",
                    .subject = "Oferta",
                    .body = "Dzień dobry",
                    .recipients = List{"anna", "jan"}},
        GrammarCase{.name = "TypicalQuoted",
                    .command_text = "-to \"anna;jan\" -subject \"Oferta\" -body \"Dzień dobry\"",
                    .subject = "Oferta",
                    .body = "Dzień dobry",
                    .recipients = List{"anna", "jan"}},
        GrammarCase{.name = "ValueRunsToNextOption",
                    .command_text = "-subject Hello world",
                    .subject = "Hello world"},
        GrammarCase{.name = "BlankHyphenInsideQuotesStillCuts",
                    .command_text = "-subject \"Oferta - marzec\"",
                    .subject = "Oferta"},
        GrammarCase{.name = "HyphenWithoutBlankDoesNotCut",
                    .command_text = "-subject a-b",
                    .subject = "a-b"},
        GrammarCase{.name = "HtmlWithoutValueIgnored", .command_text = "-html"},
        GrammarCase{.name = "HtmlOne", .command_text = "-html 1", .html = true},
        GrammarCase{.name = "HtmlQuotedOne", .command_text = "-html \"1\"", .html = true},
        GrammarCase{.name = "HtmlTrue", .command_text = "-html true"},
        GrammarCase{.name = "HtmlYes", .command_text = "-html yes"},
        GrammarCase{.name = "HtmlZeroOne", .command_text = "-html 01"},
        GrammarCase{.name = "HtmlOneWithBlanks", .command_text = "-html  1  ", .html = true},
        GrammarCase{.name = "EmptyQuotedSubject", .command_text = "-subject \"\""},
        GrammarCase{.name = "BlankAfterSemicolonKept",
                    .command_text = "-to anna; jan",
                    .recipients = List{"anna", " jan"}},
        GrammarCase{.name = "EmptyQuotedRecipientsSetButEmpty",
                    .command_text = "-to \"\"",
                    .recipients = List{}},
        GrammarCase{.name = "TextBeforeFirstOptionIgnored",
                    .command_text = "foo -subject x",
                    .subject = "x"},
        GrammarCase{.name = "LeadingTextThatLooksLikeAnOption",
                    .command_text = "subject x -body y",
                    .body = "y"},
        GrammarCase{
            .name = "LastSubjectWins", .command_text = "-subject a -subject b", .subject = "b"},
        GrammarCase{
            .name = "LaterListReplaces", .command_text = "-to a -to b", .recipients = List{"b"}},
        GrammarCase{.name = "LaterAttachmentListReplaces",
                    .command_text = "-attachment a;b -attachment c",
                    .attachments = List{"c"}},
        GrammarCase{.name = "BlankAfterHyphenIgnored", .command_text = "- subject x"},
        GrammarCase{.name = "KeysAreCaseSensitive", .command_text = "-Subject x"},
        GrammarCase{.name = "PieceWithLeadingBlankIgnored",
                    .command_text = "-to a -  subject x",
                    .recipients = List{"a"}},
        GrammarCase{.name = "BodyFileAndDeleteAreDistinctKeys",
                    .command_text = "-bodyfiledelete 1 -bodyfile C:\\tmp\\b.html",
                    .body_file = "C:\\tmp\\b.html",
                    .delete_body_file = true},
        GrammarCase{.name = "DeleteFlagOtherValue",
                    .command_text = "-bodyfile b.txt -bodyfiledelete 2",
                    .body_file = "b.txt"},
        GrammarCase{.name = "PrefixOfKeyIsNoKey", .command_text = "-bodyfil x -subj y"},
        GrammarCase{.name = "TabIsAnOrdinaryCharacter",
                    .command_text = "-subject\tx -body a\tb",
                    .body = "a\tb"},
        GrammarCase{
            .name = "TabInsideValueKept", .command_text = "-subject \tx\t", .subject = "\tx\t"},
        GrammarCase{.name = "EmptyCommandText", .command_text = ""},
        GrammarCase{.name = "OnlyBlanks", .command_text = "    "},
        GrammarCase{.name = "CommandTextStartingWithBlankHyphen",
                    .command_text = " -subject x",
                    .subject = "x"},
        GrammarCase{.name = "InnerQuotesStay",
                    .command_text = "-subject \"a \"b\" c\"",
                    .subject = "a \"b\" c"},
        GrammarCase{.name = "OnlyOneQuoteRemovedEachEnd",
                    .command_text = "-subject \"\"x\"\"",
                    .subject = "\"x\""},
        GrammarCase{
            .name = "ValueWithHyphenRunNotCut", .command_text = "-subject x--y", .subject = "x--y"},
        GrammarCase{.name = "DoubleBlankHyphenKeepsEmptyPieces",
                    .command_text = "-subject x  -to a",
                    .subject = "x",
                    .recipients = List{"a"}},
        GrammarCase{.name = "AttachmentsWithEmptyElement",
                    .command_text = "-attachment \"C:\\a b.pdf;;C:\\c.pdf\"",
                    .attachments = List{"C:\\a b.pdf", "", "C:\\c.pdf"}},
        GrammarCase{.name = "NegativeNumberValueIsCut",
                    .command_text = "-subject Temp -5 stopni",
                    .subject = "Temp"},
        GrammarCase{.name = "CopiesAndBlindCopies",
                    .command_text = "-to anna -cc \"ksiegowa;szef\" -bcc ;kadry",
                    .recipients = List{"anna"},
                    .cc_recipients = List{"ksiegowa", "szef"},
                    .bcc_recipients = List{"", "kadry"}},
        GrammarCase{.name = "LastCopyListWins",
                    .command_text = "-cc a -bcc b -cc c;d -bcc \"\"",
                    .cc_recipients = List{"c", "d"},
                    .bcc_recipients = List{}},
        GrammarCase{.name = "CopyKeysAreWholeAndLowercase",
                    .command_text = "-Cc a -ccx b -BCC c -bc d -cc- e"},
        GrammarCase{.name = "SenderUnquotedLastWins",
                    .command_text = "-from a@firma.pl -from \" Biuro Kraków \"",
                    .from = " Biuro Kraków "},
        GrammarCase{.name = "SenderEmptyMeansNotSet", .command_text = "-from \"\""},
        GrammarCase{.name = "SignatureOne", .command_text = "-signature \"1\"", .signature = true},
        GrammarCase{.name = "SignatureOtherValuesOff",
                    .command_text = "-signature 1 -signature yes -Signature 1 -From x"},
        GrammarCase{.name = "ClientAndTemplateUnquotedLastWins",
                    .command_text = "-client kmail -template \"C:\\Szablony\\oferta.oft\" -client \" auto \"",
                    .client = " auto ",
                    .template_path = "C:\\Szablony\\oferta.oft"},
        GrammarCase{.name = "ClientAndTemplateKeysAreWhole",
                    .command_text = "-Client kmail -clients x -templates y -template \"\""}),
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
