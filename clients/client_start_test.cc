#include "clients/client_start.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "clients/attachment_name.h"
#include "errors/run_error.h"
#include "tests/e2e/client_models.h"

namespace wrenpost {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using wrenpost::testing::ComposeWindow;
using wrenpost::testing::ReadBack;

constexpr ClientName kClients[] = {ClientName::kThunderbird, ClientName::kBetterbird, ClientName::kEvolution,
                                   ClientName::kKmail,       ClientName::kClawsMail,  ClientName::kGeary};

const std::string kPunctuation = "a, 'b' \"c\" = & ? % # + ;";
const std::string kPolish = "Zażółć gęślą jaźń – „cytat”";
const std::string kHtml =
    "<html><head><style>p{}</style></head><body><p>Dzień &amp; noc</p><br>druga</body></html>";
const std::string kHtmlAsText = "Dzień & noc\n\ndruga";
const std::vector<std::string> kAttachments = {
    "/tmp/oferta 1.pdf", "/tmp/a,b.pdf", "/tmp/\"q\" 'r'.pdf", "/tmp/#1 100%.pdf", "/tmp/łódź żółw.pdf",
    "/tmp/a+b&c=d?e.pdf", "/tmp/-dash", "/tmp/blank at end ", "/tmp/a/../b.pdf"};

// What the client's window must show, written out: the recipients as its
// address parser reads them, the body as text where the client composes no HTML.
struct Shows {
  std::vector<std::string> to, cc, bcc;
  std::string subject, body;
  std::string sender;
  std::vector<std::string> attachments;
  std::string body_as_text = "";  // an HTML body in a client that composes none
};

struct NamedDraft {
  const char* name;
  MessageDraft draft;
  Shows shows;
};

// Hostile drafts: every value must come back exactly as written in `shows`.
const std::vector<NamedDraft> kDrafts = {
    {"punctuation",
     {{"anna@firma.pl", kPunctuation}, {kPunctuation}, {kPunctuation}, kPunctuation,
      kPunctuation + "\n" + kPunctuation, false, kPunctuation, {}},
     {{"anna@firma.pl", "a, 'b' \"c\" = & ? % # + ;"}, {"a, 'b' \"c\" = & ? % # + ;"},
      {"a, 'b' \"c\" = & ? % # + ;"}, "a, 'b' \"c\" = & ? % # + ;",
      "a, 'b' \"c\" = & ? % # + ;\na, 'b' \"c\" = & ? % # + ;", "a, 'b' \"c\" = & ? % # + ;", {}}},
    {"display names",
     {{"Nowak, Jan <jan@firma.pl>", "file:///etc/passwd#a@b", "\"Ewa"}, {"Kowalski, Adam <a@b.pl>"},
      {"x \\ y <x@y.pl>"}, "", "", false, "", {}},
     {{"Nowak, Jan <jan@firma.pl>", "file:///etc/passwd#a@b", "\"Ewa"}, {"Kowalski, Adam <a@b.pl>"},
      {"x \\ y <x@y.pl>"}, "", "", "", {}}},
    {"line breaks",
     {{"a@b.pl"}, {"c@d.pl"}, {}, "linia 1\nlinia 2", "linia 1\r\nlinia 2\nlinia 3\rkoniec", false, "", {}},
     {{"a@b.pl"}, {"c@d.pl"}, {}, "linia 1\nlinia 2", "linia 1\r\nlinia 2\nlinia 3\rkoniec", "", {}}},
    {"leading dash",
     {{"-x@y.pl", "--attach"}, {"--help"}, {"-b"}, "--subject=x", "-B\n--", false, "--version", {}},
     {{"-x@y.pl", "--attach"}, {"--help"}, {"-b"}, "--subject=x", "-B\n--", "--version", {}}},
    {"Polish letters",
     {{kPolish + " <ewa@firma.pl>"}, {kPolish}, {kPolish}, kPolish, kPolish, false, kPolish, {}},
     {{"Zażółć gęślą jaźń – „cytat” <ewa@firma.pl>"}, {"Zażółć gęślą jaźń – „cytat”"},
      {"Zażółć gęślą jaźń – „cytat”"}, "Zażółć gęślą jaźń – „cytat”", "Zażółć gęślą jaźń – „cytat”",
      "Zażółć gęślą jaźń – „cytat”", {}}},
    {"URL-looking",
     {{"file:///etc/passwd#a@b"}, {"mailto:x@y.pl?attach=/etc/shadow"}, {"http://x.pl/?a=b#c"},
      "mailto:?subject=x", "file:///etc/passwd", false, "", {}},
     {{"file:///etc/passwd#a@b"}, {"mailto:x@y.pl?attach=/etc/shadow"}, {"http://x.pl/?a=b#c"},
      "mailto:?subject=x", "file:///etc/passwd", "", {}}},
    {"session subject", {{"a@b.pl"}, {}, {}, "ession", "", false, "", {}}, {{"a@b.pl"}, {}, {}, "ession", "", "", {}}},
    {"100 KiB body",
     {{"a@b.pl"}, {}, {}, "Duża", std::string(100 * 1024, 'x'), false, "", {}},
     {{"a@b.pl"}, {}, {}, "Duża", std::string(100 * 1024, 'x'), "", {}}},
    {"HTML body",
     {{"a@b.pl"}, {}, {}, "Oferta", kHtml, true, "", {}},
     {{"a@b.pl"}, {}, {}, "Oferta", kHtml, "", {}, kHtmlAsText}},
    {"attachments",
     {{"a@b.pl"}, {}, {}, "", "", false, "", kAttachments},
     {{"a@b.pl"}, {}, {}, "", "", "", {"/tmp/oferta 1.pdf", "/tmp/a,b.pdf", "/tmp/\"q\" 'r'.pdf", "/tmp/#1 100%.pdf",
                                        "/tmp/łódź żółw.pdf", "/tmp/a+b&c=d?e.pdf", "/tmp/-dash",
                                        "/tmp/blank at end ", "/tmp/a/../b.pdf"}}},
};

bool TakesMailto(ClientName client) {
  return client == ClientName::kEvolution || client == ClientName::kGeary || client == ClientName::kClawsMail;
}

// A mailto: URL carries a text's line ends as CR LF.
std::string CrLf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      out += text[i];
      continue;
    }
    out += "\r\n";
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return out;
}

// `shown` against the written-out expectation, with each client's documented
// ways: CR LF line ends in a mailto: URL's texts (not in a body file), no
// sender where the client takes none, Geary's attachments once each in its own order.
void ExpectShows(ClientName name, const ComposeWindow& shown, const Shows& expected) {
  const bool mailto = TakesMailto(name);
  const auto text = [&](const std::string& value) { return mailto ? CrLf(value) : value; };
  const bool html = name == ClientName::kThunderbird || name == ClientName::kBetterbird;
  const std::string body = expected.body_as_text.empty() || html ? expected.body : expected.body_as_text;
  EXPECT_EQ(shown.to_list, expected.to);
  EXPECT_EQ(shown.cc_list, expected.cc);
  EXPECT_EQ(shown.bcc_list, expected.bcc);
  EXPECT_EQ(shown.subject, text(expected.subject));
  EXPECT_EQ(shown.body, shown.body_file.empty() ? text(body) : body);
  EXPECT_EQ(shown.sender, name == ClientName::kGeary ? "" : text(expected.sender));
  std::vector<std::string> attachments = expected.attachments;
  if (name == ClientName::kGeary) std::sort(attachments.begin(), attachments.end());
  EXPECT_EQ(shown.attachments, attachments);
  EXPECT_THAT(shown.mishaps, IsEmpty());
}

// Body files the way the caller writes them, in a folder of the test's own.
class BodyFiles {
 public:
  BodyFiles() {
    char pattern[] = "/tmp/wrenpost-client-start-XXXXXX";
    folder_ = ::mkdtemp(pattern);
  }
  ~BodyFiles() { std::filesystem::remove_all(folder_); }
  std::string Write(const std::string& text) {
    const std::string path = folder_ + "/treść " + std::to_string(++count_) + ".txt";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

 private:
  std::string folder_;
  int count_ = 0;
};

// Builds the client's arguments for `draft` (writing a body file when it needs one) and reads them back.
ComposeWindow Shown(ClientName name, const MessageDraft& draft, BodyFiles& files) {
  const ClientTraits& client = *TraitsOf(name);
  std::optional<std::string> body_file;
  if (NeedsBodyFile(client, draft)) body_file = files.Write(BodyForClient(client, draft));
  return ReadBack(name, StartArguments(client, draft, body_file));
}

TEST(StartArguments, EveryClientReadsEveryHostileDraftBackExactly) {
  BodyFiles files;
  for (const ClientName name : kClients) {
    for (const NamedDraft& named : kDrafts) {
      SCOPED_TRACE(std::string(TraitsOf(name)->shown_name) + ", " + named.name);
      ExpectShows(name, Shown(name, named.draft, files), named.shows);
    }
  }
}

TEST(StartArguments, RecipientsGoAsQuotedAddresses) {
  MessageDraft draft;
  draft.to = {"Nowak, Jan <jan@firma.pl>", "file:///etc/passwd#a@b"};
  draft.attachments = {"/tmp/a b.pdf"};
  const std::string url_to = "%22Nowak%2C%20Jan%22%20%3Cjan@firma.pl%3E,%22file%3A%2F%2F%2Fetc%2Fpasswd%23a%22@b";
  const std::string file_url = "file%3A%2F%2F%2Ftmp%2Fa%2520b.pdf";
  const struct {
    ClientName client;
    std::vector<std::string> arguments;
  } kCases[] = {
      {ClientName::kThunderbird,
       {"-compose", "to=%22Nowak%2C%20Jan%22%20%3Cjan%40firma.pl%3E%2C%22file%3A%2F%2F%2Fetc%2Fpasswd%23a%22%40b,"
                    "attachment=" + file_url}},
      {ClientName::kEvolution, {"mailto:" + url_to + "?attach=" + file_url}},
      {ClientName::kGeary, {"mailto:" + url_to + "?attach=" + file_url}},
      {ClientName::kClawsMail, {"--compose", "mailto:" + url_to, "--attach", "/tmp/a b.pdf"}},
      {ClientName::kKmail,
       {"--composer", "--attach=file:///tmp/a%20b.pdf", "--",
        " \"Nowak, Jan\" <jan@firma.pl>,\"file:///etc/passwd#a\"@b"}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(StartArguments(*TraitsOf(c.client), draft, std::nullopt), c.arguments);
  }
}

TEST(StartArguments, KmailRecipientsThatLookLikeUrlsOrOptionsStayRecipients) {
  MessageDraft draft;
  draft.to = {"file:///etc/passwd#a@b"};
  EXPECT_THAT(StartArguments(*TraitsOf(ClientName::kKmail), draft, std::nullopt),
              ElementsAre("--composer", "--", " \"file:///etc/passwd#a\"@b"));
  draft.to = {"-x@y.pl", "--attach", "b@c.pl"};
  BodyFiles files;
  const ComposeWindow shown = Shown(ClientName::kKmail, draft, files);
  EXPECT_EQ(shown.to, " -x@y.pl,--attach,b@c.pl");
  EXPECT_THAT(shown.attachments, IsEmpty());
}

TEST(StartArguments, APathTheClientCannotCarryIsRefusedAndItsCopyNamed) {
  // "attach " + the path + LF fill the 8190 bytes of a running Claws Mail's line.
  const std::string longest_claws_path = "/" + std::string(8190 - 8 - 7, 'd') + "/f.pdf";
  const struct {
    ClientName client;
    std::string path;
    const char* copy_name;  // nullptr: the client carries the path
  } kCases[] = {
      {ClientName::kClawsMail, "/tmp/\r", "załącznik"},
      {ClientName::kClawsMail, "/tmp/a\nb.pdf", "a b.pdf"},
      {ClientName::kClawsMail, "/tmp/a/../b.pdf", nullptr},
      {ClientName::kClawsMail, longest_claws_path, nullptr},
      {ClientName::kClawsMail, "/d" + longest_claws_path, "f.pdf"},
      {ClientName::kEvolution, "/tmp/a\r\nb.pdf", "a b.pdf"},
      {ClientName::kEvolution, "/tmp/\t..", "załącznik"},
      {ClientName::kEvolution, "/tmp/a\\b.pdf", nullptr},
      {ClientName::kThunderbird, "/tmp/a\nb.pdf", nullptr},
      {ClientName::kGeary, "/tmp/a\nb.pdf", nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(TraitsOf(c.client)->shown_name) + ": " + c.path.substr(0, 20) + " " +
                 std::to_string(c.path.size()));
    MessageDraft draft;
    draft.attachments = {c.path};
    if (c.copy_name == nullptr) {
      EXPECT_TRUE(CarriesPath(c.client, c.path));
      const ComposeWindow shown = ReadBack(c.client, StartArguments(*TraitsOf(c.client), draft, std::nullopt));
      EXPECT_THAT(shown.attachments, ElementsAre(c.path));
      EXPECT_THAT(shown.mishaps, IsEmpty());
      continue;
    }
    EXPECT_FALSE(CarriesPath(c.client, c.path));
    const std::string base = c.path.substr(c.path.rfind('/') + 1);
    EXPECT_EQ(CarriableName(base), c.copy_name);
    try {
      StartArguments(*TraitsOf(c.client), draft, std::nullopt);
      ADD_FAILURE() << "a path the client cannot carry was passed";
    } catch (const RunError& error) {
      EXPECT_EQ(error.number, errors::kInvalidCall);
      EXPECT_THAT(error.description, HasSubstr("nie dołączy pliku „" + c.path + "”"));
    }
  }
}

TEST(StartArguments, ClawsMailNeverGetsRepeatedAttachKeys) {
  MessageDraft draft;
  draft.attachments = {"/tmp/a.pdf", "/tmp/b.pdf"};
  EXPECT_EQ(StartArguments(*TraitsOf(ClientName::kClawsMail), draft, std::nullopt),
            (std::vector<std::string>{"--compose", "mailto:", "--attach", "/tmp/a.pdf", "/tmp/b.pdf"}));
}

TEST(StartArguments, AnArgumentOfTheLongestLengthLinuxTakesPassesAndOneByteMoreIsRefused) {
  // Evolution takes no body file: "mailto:a@b.pl?body=" (19 bytes) and the body make one argument.
  MessageDraft draft;
  draft.to = {"a@b.pl"};
  draft.body = std::string(131071 - 19, 'x');
  EXPECT_EQ(StartArguments(*TraitsOf(ClientName::kEvolution), draft, std::nullopt).front().size(), 131071u);
  draft.body += 'x';
  EXPECT_THROW(StartArguments(*TraitsOf(ClientName::kEvolution), draft, std::nullopt), RunError);
}

TEST(StartArguments, ClawsMailTakesARequestLineOf8190BytesAndRefusesOneOf8191) {
  // "compose " + "a@b.pl?subject=" + the subject + LF.
  MessageDraft draft;
  draft.to = {"a@b.pl"};
  draft.subject = std::string(8190 - 8 - 15 - 1, 's');
  const auto arguments = StartArguments(*TraitsOf(ClientName::kClawsMail), draft, std::nullopt);
  EXPECT_EQ(ClawsMailRequestLine(arguments), 8190u);
  const ComposeWindow shown = ReadBack(ClientName::kClawsMail, arguments);
  EXPECT_EQ(shown.subject, draft.subject);
  EXPECT_THAT(shown.mishaps, IsEmpty());
  draft.subject += 's';
  EXPECT_THROW(StartArguments(*TraitsOf(ClientName::kClawsMail), draft, std::nullopt), RunError);
}

TEST(StartArguments, ALongBodyGoesInAFileWhereTheClientReadsOneAndIsNeverCut) {
  MessageDraft draft;
  draft.to = {"a@b.pl"};
  for (int i = 0; i < 15000; ++i) draft.body += "żółć ";  // 135 000 bytes, three times that encoded
  const Shows shows{{"a@b.pl"}, {}, {}, "", draft.body, "", {}};
  BodyFiles files;
  const struct {
    ClientName client;
    bool body_file;
  } kCases[] = {{ClientName::kThunderbird, true}, {ClientName::kBetterbird, true}, {ClientName::kKmail, true},
                {ClientName::kClawsMail, true},   {ClientName::kEvolution, false}, {ClientName::kGeary, false}};
  for (const auto& c : kCases) {
    const ClientTraits& client = *TraitsOf(c.client);
    SCOPED_TRACE(std::string(client.shown_name));
    EXPECT_EQ(NeedsBodyFile(client, draft), c.body_file);
    if (c.body_file) {
      const ComposeWindow shown = Shown(c.client, draft, files);
      ExpectShows(c.client, shown, shows);
      EXPECT_THAT(shown.body_file, Not(IsEmpty()));
      continue;
    }
    try {
      StartArguments(client, draft, std::nullopt);
      ADD_FAILURE() << "a message too long for one argument was passed";
    } catch (const RunError& error) {
      EXPECT_EQ(error.number, errors::kInvalidCall);
      EXPECT_THAT(error.description, AllOf(HasSubstr("za długa"), HasSubstr(std::string(client.shown_name)),
                                           HasSubstr("nie czyta treści wiadomości z pliku")));
    }
  }
  // A body file does not help when the other fields are too long themselves.
  draft.body = "krótka";
  draft.subject = std::string(9000, 's');
  EXPECT_THROW(StartArguments(*TraitsOf(ClientName::kClawsMail), draft, std::nullopt), RunError);
  draft.cc = {std::string(kMaxArgumentBytes, 'c')};
  EXPECT_THROW(StartArguments(*TraitsOf(ClientName::kKmail), draft, files.Write("x")), RunError);
}

// The models must see the hazards they guard against, or the tests above prove nothing.
TEST(ClientModels, SeeWhatTheClientsWouldMakeOfUnguardedArguments) {
  struct Case {
    ClientName client;
    std::vector<std::string> arguments;
    std::vector<std::string> attachments;
    bool mishap;
  };
  const std::string long_url = "mailto:a@b.pl?body=" + std::string(kClawsMaxRequestLine, 'x');
  const std::vector<Case> cases = {
      {ClientName::kKmail, {"--composer", "file:///etc/passwd#a@b"}, {"/etc/passwd"}, false},
      {ClientName::kKmail, {"--composer", "-x@y.pl"}, {}, true},
      {ClientName::kKmail, {"--composer", "--subject=ession", "--", "a@b.pl"}, {}, true},
      {ClientName::kKmail, {"--composer", "--attach", "/tmp/a", "b"}, {"/tmp/a", "b"}, true},
      {ClientName::kEvolution, {"mailto:a@b.pl?x-priority=1"}, {}, true},
      {ClientName::kGeary, {"mailto:a@b.pl?subject=100%"}, {}, true},
      {ClientName::kClawsMail, {"--compose", "mailto:a@b.pl", "--attach", "/tmp/a\nb"}, {"/tmp/a"}, true},
      {ClientName::kClawsMail, {"--compose", "mailto:?attach=/home/ala/.ssh/id"}, {}, true},
      {ClientName::kClawsMail, {"--compose", long_url}, {}, true},
      {ClientName::kClawsMail, {"--compose", "mailto:?attach=/tmp/a&attach=/tmp/b"}, {}, true},
      {ClientName::kClawsMail, {"--compose", "mailto:", "--attach", "/tmp/a\rb"}, {"/tmp/a\rb"}, true},
      {ClientName::kEvolution, {"mailto:?attach=/tmp/a%0Ab"}, {"/tmp/a\nb"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.back().substr(0, 60));
    const ComposeWindow shown = ReadBack(c.client, c.arguments);
    EXPECT_EQ(shown.attachments, c.attachments);
    EXPECT_EQ(!shown.mishaps.empty(), c.mishap);
  }
  EXPECT_EQ(ReadBack(ClientName::kKmail, {"--composer", "-sText", "--cc", "c@d.pl", "mailto:?subject=ession"}).subject,
            "ession");
  EXPECT_EQ(ReadBack(ClientName::kEvolution, {"mailto:///a%2Cb@c.pl?cc=d&amp;bcc=e"}).bcc, "e");
  // Unquoted, a comma splits a display name and "file:" is a group's name.
  EXPECT_THAT(ReadBack(ClientName::kGeary, {"mailto:Nowak%2C%20Jan%20%3Cjan@firma.pl%3E"}).to_list,
              ElementsAre("Nowak", "Jan <jan@firma.pl>"));
  EXPECT_THAT(ReadBack(ClientName::kThunderbird, {"-compose", "to=file%3A%2F%2F%2Fetc%2Fpasswd%23a%40b"}).to_list,
              ElementsAre("///etc/passwd#a@b"));
  EXPECT_THAT(ReadBack(ClientName::kEvolution, {"mailto:%22Ewa,a@b.pl"}).to_list, ElementsAre("Ewa,a@b.pl"));
  EXPECT_THAT(ReadBack(ClientName::kEvolution, {"mailto:Jan%20Nowak,a@b.pl"}).to_list,
              ElementsAre("Jan Nowak,a@b.pl"));
  // Thunderbird's pills: "Nowak, Jan <>" holds, a comma with no "<...>" after it cuts.
  EXPECT_THAT(ReadBack(ClientName::kThunderbird, {"-compose", "to=%22Nowak%2C%20Jan%22%2Cx%40y.pl"}).mishaps,
              IsEmpty());
  EXPECT_THAT(ReadBack(ClientName::kThunderbird, {"-compose", "to=%22a%2Cb%22%40c.pl"}).mishaps,
              ElementsAre("a recipient cut into several pills"));
}

}  // namespace
}  // namespace wrenpost
