#include "clients/thunderbird_compose.h"
#include "clients/client_start.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/e2e/client_models.h"
#include "tests/e2e/compose_decoder.h"

namespace wrenpost {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;
using wrenpost::testing::AttachmentPaths;
using wrenpost::testing::DecodeComposeString;
using wrenpost::testing::ParseAddressList;

const std::vector<std::string> kHostileTexts = {
    "",
    "Oferta",
    "x\",attachment=/etc/passwd,subject=\"y",
    "x',attachment=/etc/passwd,subject='y",
    "=\"a,b\"",
    "='a,b'",
    ",attachment=/etc/passwd",
    "to=eve@example.com",
    "Zażółć gęślą jaźń – „cytat”",
    "linia 1\r\nlinia 2\nlinia 3",
    "100% %41 %zz %",
    "a\tb;c\\d/e?f#g&h+i",
    "\x01,\x01",
    "'",
    "\"",
};

TEST(PercentEncode, KeepsOnlyTheUnreservedCharacters) {
  EXPECT_EQ(PercentEncode("AZaz09-_.~"), "AZaz09-_.~");
  EXPECT_EQ(PercentEncode(" ,'\"=%/"), "%20%2C%27%22%3D%25%2F");
  EXPECT_EQ(PercentEncode("ż"), "%C5%BC");
  EXPECT_EQ(PercentEncode(std::string("\0\xff", 2)), "%00%FF");
}

TEST(FileUrl, EncodesEveryPathByteButSlashes) {
  EXPECT_EQ(FileUrl("/tmp/a b,c'd\"e=f%g.pdf"), "file:///tmp/a%20b%2Cc%27d%22e%3Df%25g.pdf");
  EXPECT_EQ(FileUrl("/dom/łódź.pdf"), "file:///dom/%C5%82%C3%B3d%C5%BA.pdf");
  EXPECT_EQ(FileUrl("C:\\Oferty\\a b:c.pdf"), "file:///C:/Oferty/a%20b%3Ac.pdf");
  EXPECT_EQ(FileUrl("\\\\serwer\\udział\\f.pdf"), "file://///serwer/udzia%C5%82/f.pdf");
}

TEST(BuildComposeString, HasTheDocumentedShape) {
  ComposeFields fields;
  fields.recipients = {"anna", "jan"};
  fields.subject = "Oferta";
  fields.from = "Biuro <biuro@firma.pl>";
  fields.message_path = "/run/user/1000/wrenpost/wrenpost-body-Ab12Cd.html";
  fields.format = BodyFormat::kHtml;
  fields.attachment_paths = {"/tmp/a b.pdf", "/tmp/c.pdf"};
  EXPECT_EQ(BuildComposeString(fields),
            "to=anna%2Cjan,from=Biuro%20%3Cbiuro%40firma.pl%3E,subject=Oferta,format=html,"
            "message=%2Frun%2Fuser%2F1000%2Fwrenpost%2Fwrenpost-body-Ab12Cd.html,"
            "attachment=file%3A%2F%2F%2Ftmp%2Fa%2520b.pdf%2Cfile%3A%2F%2F%2Ftmp%2Fc.pdf");
  EXPECT_EQ(BuildComposeString({}), "to=");
  EXPECT_THAT(ComposeArguments({}), ElementsAre("-compose", "to="));
}

TEST(BuildComposeString, EveryValueComesBackExactlyAndNothingElseAppears) {
  for (const std::string& text : kHostileTexts) {
    ComposeFields fields;
    fields.recipients = {text};
    fields.cc_recipients = {text};
    fields.bcc_recipients = {text};
    fields.subject = text;
    fields.from = text;
    fields.message_path = "/tmp/" + text;
    fields.format = BodyFormat::kText;
    const auto decoded = DecodeComposeString(BuildComposeString(fields));
    EXPECT_THAT(decoded, UnorderedElementsAre(Pair("to", ::testing::_), Pair("cc", decoded.at("to")),
                                              Pair("bcc", decoded.at("to")), Pair("from", text),
                                              Pair("subject", text), Pair("format", "text"),
                                              Pair("message", "/tmp/" + text)))
        << "value: " << text;
    // One recipient, as written: an address list holds no line break and no blanks at either end.
    std::string recipient;
    for (const char c : text) recipient += static_cast<unsigned char>(c) < 0x20 && c != '\t' ? ' ' : c;
    recipient = recipient.substr(0, recipient.find_last_not_of(' ') + 1);
    recipient.erase(0, recipient.find_first_not_of(' '));
    EXPECT_EQ(ParseAddressList(decoded.at("to"), true),
              recipient.empty() ? std::vector<std::string>{} : std::vector<std::string>{recipient})
        << "value: " << text;
  }
}

TEST(BuildComposeString, AttachmentPathsComeBackExactly) {
  std::vector<std::string> paths;
  for (const std::string& text : kHostileTexts) paths.push_back("/home/ala/" + text + ".pdf");
  ComposeFields fields;
  fields.attachment_paths = paths;
  const auto decoded = DecodeComposeString(BuildComposeString(fields));
  ASSERT_EQ(decoded.count("attachment"), 1u);
  EXPECT_EQ(AttachmentPaths(decoded.at("attachment")), paths);
  EXPECT_THAT(decoded, ::testing::Contains(Pair("to", "")));
  EXPECT_EQ(decoded.size(), 2u);
}

TEST(BuildComposeString, RecipientsAreJoinedByCommasEachAsOneAddress) {
  ComposeFields fields;
  fields.recipients = {"anna@firma.pl", " jan ", "", "Ewa <ewa@firma.pl>", "Nowak, Jan <jan@firma.pl>"};
  EXPECT_EQ(DecodeComposeString(BuildComposeString(fields)).at("to"),
            "anna@firma.pl,jan,,Ewa <ewa@firma.pl>,\"Nowak, Jan\" <jan@firma.pl>");
}

TEST(ComposeArguments, ALoneSurrogateGoesAsTheReplacementCharacter) {
  ComposeFields fields;
  fields.recipients = {"a\xED\xA0\xBD@firma.pl"};
  fields.subject = "Oferta \xED\xB8\x80\xC5\x82";
  EXPECT_EQ(ComposeArguments(fields).at(1), "to=a%EF%BF%BD%40firma.pl,subject=Oferta%20%EF%BF%BD%C5%82");
}

// The decoder must see the hazard it guards against, or the tests above prove nothing.
TEST(ComposeDecoder, ReadsQuotedAndRepeatedFieldsTheWayThunderbirdDoes) {
  const auto naive = DecodeComposeString("to='a',subject='x',attachment='/etc/passwd'");
  EXPECT_THAT(naive, ::testing::Contains(Pair("attachment", "/etc/passwd")));
  const auto quoted = DecodeComposeString("subject=\"a,b\",to=c");
  EXPECT_EQ(quoted.at("subject"), "\"a,b\"");  // double quotes are kept, then decoded
  EXPECT_EQ(quoted.at("to"), "c");
  EXPECT_EQ(DecodeComposeString("subject=first,subject=second").at("subject"), "first");
  EXPECT_EQ(DecodeComposeString("subject=%E2%82%AC%20x").at("subject"), "€ x");
  EXPECT_EQ(DecodeComposeString("subject=%C5").at("subject"), "%C5");  // no UTF-8: left alone
  EXPECT_EQ(DecodeComposeString("subject=a=b").at("subject"), "a=b");
}

// The identity's key, not its address: two identities may share one.
TEST(ThunderbirdArguments, TheChosenIdentityGoesByItsKeyAlone) {
  MessageDraft draft;
  draft.from = "biuro@firma.pl";
  EXPECT_EQ(DecodeComposeString(ThunderbirdArguments(draft, std::nullopt).at(1)).at("from"), "biuro@firma.pl");
  draft.sender_identity = "id12";
  const auto fields = DecodeComposeString(ThunderbirdArguments(draft, std::nullopt).at(1));
  EXPECT_THAT(fields, UnorderedElementsAre(Pair("to", ""), Pair("preselectid", "id12")));
}

}  // namespace
}  // namespace wrenpost
