#include "clients/client_start.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "clients/mailto_url.h"
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

struct NamedDraft {
  const char* name;
  MessageDraft draft;
};

// Hostile drafts: every value must come back exactly, modulo what Expected documents.
const std::vector<NamedDraft> kDrafts = {
    {"punctuation", {{"anna@firma.pl", kPunctuation}, {kPunctuation}, {kPunctuation}, kPunctuation,
                     kPunctuation + "\n" + kPunctuation, false, kPunctuation, {}}},
    {"line breaks", {{"a@b.pl"}, {"c@d.pl"}, {}, "linia 1\nlinia 2", "linia 1\r\nlinia 2\nlinia 3\rkoniec", false,
                     "", {}}},
    {"leading dash", {{"-x@y.pl", "--attach"}, {"--help"}, {"-b"}, "--subject=x", "-B\n--", false, "--version", {}}},
    {"Polish letters", {{kPolish + " <ewa@firma.pl>"}, {kPolish}, {kPolish}, kPolish, kPolish, false, kPolish, {}}},
    {"URL-looking", {{"file:///etc/passwd#a@b"}, {"mailto:x@y.pl?attach=/etc/shadow"}, {"http://x.pl/?a=b#c"},
                     "mailto:?subject=x", "file:///etc/passwd", false, "", {}}},
    {"session subject", {{"a@b.pl"}, {}, {}, "ession", "", false, "", {}}},
    {"100 KiB body", {{"a@b.pl"}, {}, {}, "Duża", std::string(100 * 1024, 'x'), false, "", {}}},
    {"HTML body", {{"a@b.pl"}, {}, {}, "Oferta", "<html><head><style>p{}</style></head><body><p>Dzień &amp; noc"
                   "</p><br>druga</body></html>", true, "", {}}},
    {"attachments", {{"a@b.pl"}, {}, {}, "", "", false, "",
                     {"/tmp/oferta 1.pdf", "/tmp/a,b.pdf", "/tmp/\"q\" 'r'.pdf", "/tmp/#1 100%.pdf",
                      "/tmp/łódź żółw.pdf", "/tmp/a+b&c=d?e.pdf", "/tmp/-dash", "/tmp/blank at end "}}},
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

// The draft as the client shows it, with the documented conversions: an HTML
// body as text where the client composes none, CR LF line ends in a mailto:
// URL's texts, KMail's recipients after a blank, no sender where the client
// takes none, Geary's attachments once each in its own order.
ComposeWindow Expected(const ClientTraits& client, const MessageDraft& draft, bool body_in_file) {
  const bool mailto = TakesMailto(client.name);
  const auto text = [&](const std::string& value) { return mailto ? CrLf(value) : value; };
  ComposeWindow window;
  window.to = text(JoinAddresses(draft.to));
  if (client.name == ClientName::kKmail && !draft.to.empty()) window.to = " " + window.to;
  window.cc = text(JoinAddresses(draft.cc));
  window.bcc = text(JoinAddresses(draft.bcc));
  window.subject = text(draft.subject);
  window.body = body_in_file ? BodyForClient(client, draft) : text(BodyForClient(client, draft));
  window.sender = client.sender == SenderSupport::kNone ? "" : text(draft.from);
  window.attachments = draft.attachments;
  if (client.name == ClientName::kGeary) std::sort(window.attachments.begin(), window.attachments.end());
  return window;
}

void ExpectShows(const ComposeWindow& shown, const ComposeWindow& expected) {
  EXPECT_EQ(shown.to, expected.to);
  EXPECT_EQ(shown.cc, expected.cc);
  EXPECT_EQ(shown.bcc, expected.bcc);
  EXPECT_EQ(shown.subject, expected.subject);
  EXPECT_EQ(shown.body, expected.body);
  EXPECT_EQ(shown.sender, expected.sender);
  EXPECT_EQ(shown.attachments, expected.attachments);
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
ComposeWindow Shown(ClientName name, const MessageDraft& draft, BodyFiles& files, bool* body_in_file = nullptr) {
  const ClientTraits& client = *TraitsOf(name);
  std::optional<std::string> body_file;
  if (NeedsBodyFile(client, draft)) body_file = files.Write(BodyForClient(client, draft));
  if (body_in_file != nullptr) *body_in_file = body_file.has_value();
  return ReadBack(name, StartArguments(client, draft, body_file));
}

TEST(StartArguments, EveryClientReadsEveryHostileDraftBackExactly) {
  BodyFiles files;
  for (const ClientName name : kClients) {
    for (const NamedDraft& named : kDrafts) {
      SCOPED_TRACE(std::string(TraitsOf(name)->shown_name) + ", " + named.name);
      bool body_in_file = false;
      const ComposeWindow shown = Shown(name, named.draft, files, &body_in_file);
      ExpectShows(shown, Expected(*TraitsOf(name), named.draft, body_in_file));
    }
  }
}

TEST(StartArguments, KmailRecipientsThatLookLikeUrlsOrOptionsStayRecipients) {
  MessageDraft draft;
  draft.to = {"file:///etc/passwd#a@b"};
  EXPECT_THAT(StartArguments(*TraitsOf(ClientName::kKmail), draft, std::nullopt),
              ElementsAre("--composer", "--", " file:///etc/passwd#a@b"));
  draft.to = {"-x@y.pl", "--attach", "b@c.pl"};
  BodyFiles files;
  const ComposeWindow shown = Shown(ClientName::kKmail, draft, files);
  EXPECT_EQ(shown.to, " -x@y.pl,--attach,b@c.pl");
  EXPECT_THAT(shown.attachments, IsEmpty());
}

TEST(StartArguments, ClawsMailGetsPathsWithLineBreaksInsideItsUrl) {
  MessageDraft draft;
  draft.attachments = {"/tmp/a\nb.pdf", "/tmp/c d.pdf", "/tmp/e\r"};
  const auto arguments = StartArguments(*TraitsOf(ClientName::kClawsMail), draft, std::nullopt);
  for (const std::string& argument : arguments) EXPECT_EQ(argument.find_first_of("\r\n"), std::string::npos);
  EXPECT_THAT(arguments, Not(Contains("--attach")));
  EXPECT_EQ(ReadBack(ClientName::kClawsMail, arguments).attachments, draft.attachments);

  draft.attachments = {"/home/ala/.ssh/klucz\n.pdf"};  // Claws Mail would drop it from the URL
  try {
    StartArguments(*TraitsOf(ClientName::kClawsMail), draft, std::nullopt);
    ADD_FAILURE() << "a path Claws Mail refuses was passed";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number, errors::kInvalidCall);
    EXPECT_THAT(error.description, AllOf(HasSubstr("Claws Mail"), HasSubstr(".ssh/")));
  }
}

TEST(StartArguments, ALongBodyGoesInAFileWhereTheClientReadsOneAndIsNeverCut) {
  MessageDraft draft;
  draft.to = {"a@b.pl"};
  for (int i = 0; i < 15000; ++i) draft.body += "żółć ";  // 135 000 bytes, three times that encoded
  BodyFiles files;
  for (const ClientName name : kClients) {
    const ClientTraits& client = *TraitsOf(name);
    SCOPED_TRACE(std::string(client.shown_name));
    EXPECT_EQ(NeedsBodyFile(client, draft), client.body_file);
    if (client.body_file) {
      bool body_in_file = false;
      ExpectShows(Shown(name, draft, files, &body_in_file), Expected(client, draft, true));
      EXPECT_TRUE(body_in_file);
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
}

}  // namespace
}  // namespace wrenpost
