// End-to-end tests of the Windows build: the real Wrenpost.exe under Wine,
// talking to an out-of-process automation server registered as
// "Outlook.Application", its message boxes read from the screen.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "wine_session.h"
#include "wrenpost_version.h"

namespace wrenpost::wine_test {
namespace {

using Lines = std::vector<std::string>;

const std::string kCannotCreate = "Nie można utworzyć nowej wiadomości w MS Outlook.";
const std::string kBox287 = kCannotCreate +
                            "\\r\\nPrawdopodobna przyczyna to wyłączony program MS Outlook lub "
                            "problem z dostępem do domyślnego konta pocztowego.";
const std::string kBox429 = kCannotCreate + "\\r\\nSprawdź, czy program jest zainstalowany w systemie!";

// A run with -to anna -subject Oferta: the calls, and the log after its header.
// The program adds recipients and attachments without asking for the added
// object (pVarResult NULL; Windows' proxy tells the server so, with
// DISPATCH_zeroVarResult). Wine's proxy asks the server for it all the same
// and lets go of it only when the program's apartment ends: its releases
// come after the application's.
const Lines kSubjectAndRecipientCalls = {
    "ClassFactory.CreateInstance",
    "Application.CreateItem METHOD VT_I2:0",
    "MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"Oferta\"",
    "MailItem.Display METHOD",
    "MailItem.Recipients PROPERTYGET",
    "Recipients.Add METHOD VT_BSTR:\"anna\"",
    "release Recipients",
    "release MailItem",
    "release Application",
    "release Recipient",
    "exit objects=0",
};
const std::string kSubjectAndRecipientLog =
    "Parametry: -to anna -subject Oferta\r\n"
    "Dodanie tematu: Oferta\r\n"
    "Wyświetlenie okna nowej wiadomości.\r\n"
    "Dodanie adresata: anna\r\n"
    "Koniec programu.\r\n";

class WineSuite : public testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = WineCase::MissingSetting();
    ASSERT_TRUE(missing.empty()) << missing;
  }

  static void ExpectWarningBox(const RunResult& run, const std::string& text) {
    ASSERT_EQ(run.boxes.size(), 1u);
    const Box& box = run.boxes[0];
    EXPECT_EQ(box.caption, "Wrenpost");
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.buttons, "OK");
    EXPECT_EQ(box.icon, "warning");
    EXPECT_TRUE(box.foreground);
    EXPECT_EQ(box.error, "");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_FALSE(run.timed_out);
  }

  // What a generic box shows after its first line; empty for any other box.
  static std::string GenericDescription(const RunResult& run) {
    const std::string lead = "Wystąpił błąd:\\r\\n";
    if (run.boxes.size() != 1 || !run.boxes[0].text.starts_with(lead)) return {};
    return run.boxes[0].text.substr(lead.size());
  }

  static void ExpectCleanRun(const RunResult& run) {
    EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_FALSE(run.timed_out);
  }
};

TEST_F(WineSuite, TypicalRunFillsAndShowsTheMessage) {
  WineCase c("TypicalRun");
  c.WriteFile("oferta.pdf", "%PDF-1.4\n");
  const std::string pdf = c.WinPath("oferta.pdf");
  const RunResult run = c.Run("-to anna -subject Oferta -attachment " + pdf);
  ExpectCleanRun(run);
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"Oferta\"",
                           "MailItem.Attachments PROPERTYGET",
                           "Attachments.Add METHOD " + Bstr(pdf),
                           "release Attachments",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
                           "release Attachment",
                           "release Recipient",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -to anna -subject Oferta -attachment " + pdf + "\r\n"
                         "Dodanie tematu: Oferta\r\n"
                         "Dodanie załącznika: " + pdf + "\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Dodanie adresata: anna\r\n"
                         "Koniec programu.\r\n");
}

TEST_F(WineSuite, HtmlBodyFileIsJoinedSetAndDeleted) {
  WineCase c("HtmlBody");
  c.WriteFile("treść.html", ToCp1250("<p>Dzień dobry,</p>\r\n<p>oferta w załączniku.</p>\r\n"));
  const std::string body_file = c.WinPath("treść.html");
  const RunResult run =
      c.Run("-body zastąpiona -bodyfile \"" + body_file + "\" -html 1 -bodyfiledelete 1");
  ExpectCleanRun(run);
  const std::string body = "<p>Dzień dobry,</p><p>oferta w załączniku.</p>";
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.HtmlBody PROPERTYPUT named=PROPERTYPUT " + Bstr(body),
                           "MailItem.Display METHOD",
                           "release MailItem",
                           "release Application",
                           "exit objects=0",
                       }));
  EXPECT_FALSE(std::filesystem::exists(c.UnixPath("treść.html")));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -body zastąpiona -bodyfile \"" + body_file +
                         "\" -html 1 -bodyfiledelete 1\r\n"
                         "Dodanie treści html: " + body + "\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Koniec programu.\r\n");
}

TEST_F(WineSuite, PolishLettersReachEveryFieldAndPath) {
  WineCase c("Łódź Narzędzia");
  c.WriteFile("Załącznik ść.pdf", "%PDF-1.4\n");
  const std::string attachment = c.WinPath("Załącznik ść.pdf");
  const std::string args = "-to \"Łucja.Żak@przykład.pl;Józef\" -subject \"Zażółć gęślą jaźń\" "
                           "-body Dzień dobry ☺ 中 -attachment \"" + attachment + "\"";
  const RunResult run = c.Run(args);
  ExpectCleanRun(run);
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Subject PROPERTYPUT named=PROPERTYPUT " + Bstr("Zażółć gęślą jaźń"),
                           "MailItem.Body PROPERTYPUT named=PROPERTYPUT " + Bstr("Dzień dobry ☺ 中"),
                           "MailItem.Attachments PROPERTYGET",
                           "Attachments.Add METHOD " + Bstr(attachment),
                           "release Attachments",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD " + Bstr("Łucja.Żak@przykład.pl"),
                           "Recipients.Add METHOD " + Bstr("Józef"),
                           "release Recipients",
                           "release MailItem",
                           "release Application",
                           "release Attachment",
                           "release Recipient",
                           "release Recipient",
                           "exit objects=0",
                       }));
  // The log is in code page 1250: what it cannot show is written as "?".
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -to \"Łucja.Żak@przykład.pl;Józef\" -subject \"Zażółć gęślą "
                         "jaźń\" -body Dzień dobry ? ? -attachment \"" + attachment + "\"\r\n"
                         "Dodanie tematu: Zażółć gęślą jaźń\r\n"
                         "Dodanie treści tekstowej: Dzień dobry ? ?\r\n"
                         "Dodanie załącznika: " + attachment + "\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Dodanie adresata: Łucja.Żak@przykład.pl\r\n"
                         "Dodanie adresata: Józef\r\n"
                         "Koniec programu.\r\n");
}

TEST_F(WineSuite, UnpairedSurrogateSurvivesToTheServer) {
  WineCase c("Surrogate");
  // The command line holds U+D800 alone (written in its WTF-8 form).
  const RunResult run = c.Run("-subject a\xED\xA0\x80" "b");
  ExpectCleanRun(run);
  const Lines calls = c.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[2], "MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"a\\uD800b\"");
  EXPECT_NE(c.Log().find("Dodanie tematu: a?b\r\n"), std::string::npos) << c.Log();
}

TEST_F(WineSuite, HiddenFoldersAndMissingFilesAreNotAttachedWildcardsAre) {
  WineCase c("Attachments");
  c.WriteFile("ukryty.pdf", "hidden");
  c.WriteFile("widoczny.pdf", "shown");
  std::filesystem::create_directories(c.UnixPath("katalog.doc"));
  const std::string hidden = c.WinPath("ukryty.pdf"), pdfs = c.WinPath("*.pdf"),
                    docs = c.WinPath("*.do?"), missing = c.WinPath("brak.pdf"),
                    shown = c.WinPath("widoczny.pdf");
  const std::string list = hidden + ";" + pdfs + ";" + docs + ";" + missing + ";" + shown;
  const RunResult run = c.Run("-attachment " + list, {hidden});
  ASSERT_EQ(run.report.at("hidden"), "1") << "Wine could not mark the file hidden";
  ExpectCleanRun(run);
  // A pattern goes to the mail client as the file it found; the log keeps it as written.
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Attachments PROPERTYGET",
                           "Attachments.Add METHOD " + Bstr(shown),
                           "Attachments.Add METHOD " + Bstr(shown),
                           "release Attachments",
                           "MailItem.Display METHOD",
                           "release MailItem",
                           "release Application",
                           "release Attachment",
                           "release Attachment",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -attachment " + list + "\r\n"
                         "Plik " + hidden + " nie istnieje!\r\n"
                         "Dodanie załącznika: " + pdfs + "\r\n"
                         "Plik " + docs + " nie istnieje!\r\n"
                         "Plik " + missing + " nie istnieje!\r\n"
                         "Dodanie załącznika: " + shown + "\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Koniec programu.\r\n");
}

TEST_F(WineSuite, FailedAttachmentLookupStopsTheRun) {
  WineCase c("Lookup");
  c.WriteFile("oferta.pdf", "%PDF-1.4\n");
  // A file used as a folder: the lookup fails (Wine: ERROR_INVALID_NAME, the
  // bad file name 52) instead of finding nothing.
  const std::string bad = c.WinPath("oferta.pdf\\x.pdf");
  const RunResult run = c.Run("-attachment " + c.WinPath("oferta.pdf") + ";" + bad + " -to anna");
  ASSERT_EQ(run.boxes.size(), 1u);
  const std::string lead = "Wystąpił błąd:\\r\\n", tail = ": " + Escaped(bad);
  const std::string& text = run.boxes[0].text;
  ASSERT_EQ(text.rfind(lead, 0), 0u) << text;
  ASSERT_TRUE(text.ends_with(tail)) << text;
  ExpectWarningBox(run, text);
  const std::string description = text.substr(lead.size(), text.size() - lead.size() - tail.size());
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Attachments PROPERTYGET",
                           "Attachments.Add METHOD " + Bstr(c.WinPath("oferta.pdf")),
                           "release Attachments",
                           "release MailItem",
                           "release Application",
                           "release Attachment",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -attachment " + c.WinPath("oferta.pdf") + ";" + bad +
                         " -to anna\r\n"
                         "Dodanie załącznika: " + c.WinPath("oferta.pdf") + "\r\n"
                         "\r\n\r\n"
                         "Wystąpił błąd (52): " + description + ": " + bad + "\r\n"
                         "Program zakończony błędem.\r\n");
}

// The step of a run with -subject that the mail client fails.
enum class Step { kActivation, kCreateItem, kSubject };

// The calls of such a run, up to its end.
Lines FailedRunCalls(Step failed) {
  if (failed == Step::kActivation) {
    return {"ClassFactory.CreateInstance", "  failed as asked", "exit objects=0"};
  }
  Lines calls = {"ClassFactory.CreateInstance", "Application.CreateItem METHOD VT_I2:0"};
  if (failed == Step::kSubject) {
    calls.push_back("MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"Oferta\"");
  }
  calls.push_back("  failed as asked");
  if (failed == Step::kSubject) calls.push_back("release MailItem");
  calls.insert(calls.end(), {"release Application", "exit objects=0"});
  return calls;
}

// A failure of the mail client, the box and the log entry it gives.
struct FailureCase {
  const char* name;
  const char* control;      // the fake server's failure (see fake_outlook.cc)
  Step failed;
  const std::string* box;   // its text; null: "Wystąpił błąd:" and the description
  int number;               // in the log
  const char* description;  // in the log; null: the system's text for the HRESULT
  bool hidden = false;      // started hidden, as a caller's Shell ..., vbHide
};

class ServerFailure : public WineSuite, public testing::WithParamInterface<FailureCase> {};

TEST_P(ServerFailure, GivesItsBoxAndLogEntry) {
  const FailureCase& param = GetParam();
  WineCase c(param.name);
  c.SetFailures(std::string(param.control) + "\n");
  const std::string args = "-subject Oferta";
  const RunResult run = param.hidden ? c.RunHidden(args) : c.Run(args);
  EXPECT_EQ(c.Calls(), FailedRunCalls(param.failed));
  const std::string log = c.Log();
  const std::string lead = ExpectedHeader(c.ExeWinPath()) + "\r\n\r\nParametry: " + args + "\r\n" +
                           (param.failed == Step::kSubject ? "Dodanie tematu: Oferta\r\n" : "") +
                           "\r\n\r\nWystąpił błąd (" + std::to_string(param.number) + "): ";
  const std::string tail = "\r\nProgram zakończony błędem.\r\n";
  ASSERT_EQ(log.rfind(lead, 0), 0u) << log;
  ASSERT_TRUE(log.ends_with(tail)) << log;
  const std::string description = log.substr(lead.size(), log.size() - lead.size() - tail.size());
  if (param.description != nullptr) {
    EXPECT_EQ(description, param.description);
  } else {
    EXPECT_FALSE(description.empty() || description.find("\r\n") != std::string::npos) << log;
  }
  ExpectWarningBox(
      run, param.box != nullptr ? *param.box : "Wystąpił błąd:\\r\\n" + Escaped(description));
}

INSTANTIATE_TEST_SUITE_P(
    WineSuite, ServerFailure,
    testing::Values(
        FailureCase{"Refused287",
                    "Application.CreateItem exception 0 0x800A011F Nie można utworzyć elementu.",
                    Step::kCreateItem, &kBox287, 287, "Nie można utworzyć elementu."},
        // E_ABORT: the profile could not be opened.
        FailureCase{"AbortInExcepInfo", "Application.CreateItem exception 0 0x80004004",
                    Step::kCreateItem, &kBox287, 287, nullptr},
        FailureCase{"AbortAsResult", "Application.CreateItem hresult 0x80004004", Step::kCreateItem,
                    &kBox287, 287, nullptr},
        FailureCase{"AbortStartedHidden", "Application.CreateItem hresult 0x80004004",
                    Step::kCreateItem, &kBox287, 287, nullptr, true},
        // CO_E_SERVER_EXEC_FAILURE: the mail client runs at another elevation.
        FailureCase{"ServerExecutionFailure", "ClassFactory.CreateInstance hresult 0x80080005",
                    Step::kActivation, &kBox429, 429, nullptr},
        FailureCase{"AccessDenied", "MailItem.Subject hresult 0x80070005", Step::kSubject, nullptr,
                    70, nullptr}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// The fake server's registration, taken away for one test.
class Unregistered {
 public:
  Unregistered() { ok_ = WineCase::Wine({"C:\\wrenpost-tools\\fake_outlook.exe", "/unregserver"}) == 0; }
  ~Unregistered() { WineCase::Wine({"C:\\wrenpost-tools\\fake_outlook.exe", "/regserver"}); }
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

TEST_F(WineSuite, ServerNotRegisteredGives429) {
  WineCase c("NotRegistered");
  Unregistered unregistered;
  ASSERT_TRUE(unregistered.ok());
  const RunResult run = c.Run("-subject Oferta");
  ExpectWarningBox(run, kBox429);
  EXPECT_TRUE(c.Calls().empty());
  const std::string log = c.Log();
  const std::string entry = "\r\n\r\nWystąpił błąd (429): ";
  const auto at = log.find(entry);
  ASSERT_NE(at, std::string::npos) << log;
  const auto end = log.find("\r\n", at + entry.size());
  EXPECT_GT(end, at + entry.size()) << "the description is empty";
  EXPECT_EQ(log.substr(end), "\r\nProgram zakończony błędem.\r\n");
}

TEST_F(WineSuite, RecipientRejectedAfterDisplayStopsTheRun) {
  WineCase c("Recipient");
  c.SetFailures("Recipients.Add#2 exception 4096 0x80004005 Nie rozpoznano adresu „zły adres”.\n");
  const RunResult run = c.Run("-to anna;zły adres;jan -subject S");
  ExpectWarningBox(run, "Wystąpił błąd:\\r\\nNie rozpoznano adresu „zły adres”.");
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"S\"",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "Recipients.Add METHOD " + Bstr("zły adres"),
                           "  failed as asked",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
                           "release Recipient",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -to anna;zły adres;jan -subject S\r\n"
                         "Dodanie tematu: S\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Dodanie adresata: anna\r\n"
                         "Dodanie adresata: zły adres\r\n"
                         "\r\n\r\n"
                         "Wystąpił błąd (4096): Nie rozpoznano adresu „zły adres”.\r\n"
                         "Program zakończony błędem.\r\n");
}

// A mail client busy for its first calls (starting, loading its profile):
// each rejected call is made again until it gets through.
struct BusyCase {
  const char* name;
  const char* control;
  std::size_t rejected_at;  // where the rejections stand in the record
  const char* rejection;
  int rejections;
};

class BusyServer : public WineSuite, public testing::WithParamInterface<BusyCase> {};

TEST_P(BusyServer, RejectedCallsAreMadeAgainAndTheRunSucceeds) {
  const BusyCase& param = GetParam();
  WineCase c(param.name);
  c.SetFailures(std::string(param.control) + "\n");
  const RunResult run = c.Run("-to anna -subject Oferta");
  ExpectCleanRun(run);
  Lines expected = kSubjectAndRecipientCalls;
  expected.insert(expected.begin() + param.rejected_at, param.rejections, param.rejection);
  // A rejected call never ran: every real call is there once, in order.
  EXPECT_EQ(c.Calls(), expected);
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) + "\r\n\r\n" + kSubjectAndRecipientLog);
}

INSTANTIATE_TEST_SUITE_P(
    WineSuite, BusyServer,
    testing::Values(
        BusyCase{"BusyForItsFirstCalls", "busy 5", 1, "rejected Application.GetIDsOfNames", 5},
        // Wine's activation begins with a reference count call.
        BusyCase{"BusyAtTheActivation", "busy 4 all", 0, "rejected RemUnknown.RemAddRef", 4}),
    [](const testing::TestParamInfo<BusyCase>& info) { return info.param.name; });

// Busy for longer than the run's 30 s budget: the rejection is the failure.
TEST_F(WineSuite, ServerBusyPastTheBudgetFailsTheRun) {
  WineCase c("BusyTooLong");
  c.SetFailures("busy 100000\n");
  const RunResult run = c.Run("-to anna -subject Oferta");
  Lines calls, rejected;
  for (const std::string& call : c.Calls()) {
    (call.starts_with("rejected ") ? rejected : calls).push_back(call);
  }
  EXPECT_EQ(calls, (Lines{"ClassFactory.CreateInstance", "release Application", "exit objects=0"}));
  // The first try, and one after each of the 120 quarter-second pauses of
  // the 30 s budget (Wine hands every rejection to the program's own loop).
  EXPECT_EQ(rejected, Lines(121, "rejected Application.GetIDsOfNames"));
  const std::string description = GenericDescription(run);
  EXPECT_FALSE(description.empty());
  ExpectWarningBox(run, "Wystąpił błąd:\\r\\n" + description);
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -to anna -subject Oferta\r\n"
                         "\r\n\r\n"
                         "Wystąpił błąd (-2147418111): " + description + "\r\n"
                         "Program zakończony błędem.\r\n");
}

// A mail client that turns every call away once (Outlook synchronising): each
// pause is charged, so a run with 120 recipients stops at the 30 s budget
// instead of waiting a quarter second per call for as long as it runs.
TEST_F(WineSuite, ServerRejectingEachCallOnceIsWaitedForWithinTheBudget) {
  WineCase c("BusyEachCall");
  c.SetFailures("busy each\n");
  std::string recipients;
  for (int i = 1; i <= 120; ++i) recipients += (i > 1 ? ";a" : "a") + std::to_string(i);
  const RunResult run = c.Run("-to " + recipients);
  RecordProperty("run_ms", run.report.count("run_ms") ? run.report.at("run_ms") : "?");
  Lines calls, rejected;
  for (const std::string& call : c.Calls()) {
    (call.starts_with("rejected ") ? rejected : calls).push_back(call);
  }
  // Every try that got through was let through after one rejection; the
  // 121st rejection is the one no pause was left for.
  const auto made = std::count_if(calls.begin(), calls.end(),
                                  [](const std::string& call) { return call.find(" METHOD") != std::string::npos ||
                                                                       call.find(" PROPERTYGET") != std::string::npos; });
  EXPECT_EQ(rejected.size(), 121u);
  // Seven pauses go to the name lookups and calls of CreateItem, Display and
  // Recipients and to the lookup of Add; each later one to one recipient.
  EXPECT_EQ(made, 3 + 113);
  const std::string description = GenericDescription(run);
  ExpectWarningBox(run, "Wystąpił błąd:\\r\\n" + description);
  const std::string log = c.Log();
  EXPECT_NE(log.find("Dodanie adresata: a113\r\nDodanie adresata: a114\r\n\r\n\r\nWystąpił błąd (-2147418111): "),
            std::string::npos)
      << log;
  EXPECT_EQ(calls.back(), "exit objects=0");
}

// The sender and the signature, against a profile with two accounts.
struct SenderCase {
  const char* name;
  const char* control;
  std::string args;
  Lines calls;  // between CreateItem and the release of the item
  std::string steps;
  std::string body_file = {};  // when given: written, and its path given as -bodyfile
};

void PrintTo(const SenderCase& c, std::ostream* out) { *out << c.name; }

class SenderAndSignature : public WineSuite, public testing::WithParamInterface<SenderCase> {};

TEST_P(SenderAndSignature, SetBeforeDisplayAndTheBodyAboveTheSignature) {
  const SenderCase& param = GetParam();
  WineCase c(param.name);
  c.SetFailures(std::string("account anna@firma.pl Anna Nowak\naccount biuro@firma.pl Biuro\n") + param.control);
  std::string args = param.args;
  if (!param.body_file.empty()) {
    c.WriteFile("oferta.html", param.body_file);
    args += " -bodyfile " + c.WinPath("oferta.html");
  }
  const RunResult run = c.Run(args);
  ExpectCleanRun(run);
  Lines expected = {"ClassFactory.CreateInstance", "Application.CreateItem METHOD VT_I2:0"};
  expected.insert(expected.end(), param.calls.begin(), param.calls.end());
  expected.push_back("release MailItem");
  // The sending account lives as long as the item that holds it.
  if (param.steps.starts_with("Konto nadawcy")) expected.push_back("release Account");
  expected.push_back("release Application");
  // See kSubjectAndRecipientCalls: the recipient Wine's proxy asked for goes last.
  if (param.args.find(" -to ") != std::string::npos) expected.push_back("release Recipient");
  expected.push_back("exit objects=0");
  EXPECT_EQ(c.Calls(), expected);
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) + "\r\n\r\nParametry: " + args + "\r\n" + param.steps +
                         "Koniec programu.\r\n");
}

Lines Concat(Lines lines, const Lines& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

// The two accounts' display names; then, when neither matched, their addresses.
const Lines kNameLookup = {"Application.Session PROPERTYGET", "NameSpace.Accounts PROPERTYGET",
                           "Accounts.Count PROPERTYGET",      "Accounts.Item METHOD VT_I4:1",
                           "Account.DisplayName PROPERTYGET", "Accounts.Item METHOD VT_I4:2",
                           "Account.DisplayName PROPERTYGET"};
const Lines kAccountLookup =
    Concat(kNameLookup, {"Account.SmtpAddress PROPERTYGET", "Account.SmtpAddress PROPERTYGET"});

const std::string kHtmlHead = "<html><head><style>p.MsoNormal{margin:0cm}</style></head><body lang=PL>";
// An HTML body file as programs write them, and the body read from it (its lines joined).
const std::string kWholeDocumentFile = "<!DOCTYPE html>\r\n<html><head><meta charset=utf-8><title>Oferta</title>\r\n"
                                       "<style>p{color:navy}</style></head>\r\n<body><p>Dzień dobry</p></body></html>\r\n";
const std::string kWholeDocument = "<!DOCTYPE html><html><head><meta charset=utf-8><title>Oferta</title>"
                                   "<style>p{color:navy}</style></head><body><p>Dzień dobry</p></body></html>";

INSTANTIATE_TEST_SUITE_P(
    WineSuite, SenderAndSignature,
    testing::Values(
        SenderCase{"AccountAndHtmlSignature", "",
                   "-from biuro@firma.pl -signature 1 -html 1 -body <p>x</p> -to anna",
                   Concat(kAccountLookup,
                          {// By reference: a plain put would leave the default account's signature.
                           "MailItem.SendUsingAccount PROPERTYPUTREF named=PROPERTYPUT "
                           "VT_DISPATCH:Account(biuro@firma.pl)",
                           // The item keeps the sending account; the other one goes.
                           "release Account", "release Accounts", "release NameSpace",
                           "MailItem.Display METHOD", "MailItem.HtmlBody PROPERTYGET",
                           "MailItem.HtmlBody PROPERTYPUT named=PROPERTYPUT " +
                               Bstr(kHtmlHead + "<p>x</p><p class=MsoNormal>-- <br>Biuro</p></body></html>"),
                           "MailItem.Recipients PROPERTYGET", "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "release Recipients"}),
                   "Konto nadawcy: biuro@firma.pl\r\nWyświetlenie okna nowej wiadomości.\r\n"
                   "Dodanie treści html: <p>x</p>\r\nDodanie adresata: anna\r\n"},
        SenderCase{"SharedMailboxAndPlainSignature", "format 1\n",
                   "-from wspolna@firma.pl -signature 1 -body Dzień dobry",
                   Concat(kAccountLookup,
                          {"MailItem.SentOnBehalfOfName PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"wspolna@firma.pl\"",
                           "release Account", "release Account", "release Accounts", "release NameSpace",
                           "MailItem.Display METHOD", "MailItem.BodyFormat PROPERTYGET", "MailItem.Body PROPERTYGET",
                           // The record shows CR LF escaped.
                           "MailItem.Body PROPERTYPUT named=PROPERTYPUT "
                           "VT_BSTR:\"Dzień dobry\\r\\n\\r\\n\\r\\n-- \\r\\nDomyślne konto\""}),
                   "Wysyłanie w imieniu: wspolna@firma.pl\r\nWyświetlenie okna nowej wiadomości.\r\n"
                   "Dodanie treści tekstowej: Dzień dobry\r\n"},
        SenderCase{"DisplayNameAndTextIntoHtml", "",
                   "-from BIURO -signature 1 -body a<b",
                   Concat(kNameLookup,
                          {"MailItem.SendUsingAccount PROPERTYPUTREF named=PROPERTYPUT "
                           "VT_DISPATCH:Account(biuro@firma.pl)",
                           "release Account", "release Accounts", "release NameSpace", "MailItem.Display METHOD",
                           "MailItem.BodyFormat PROPERTYGET", "MailItem.HtmlBody PROPERTYGET",
                           "MailItem.HtmlBody PROPERTYPUT named=PROPERTYPUT " +
                               Bstr(kHtmlHead +
                                    "<p class=MsoNormal>a&lt;b</p><p class=MsoNormal>-- <br>Biuro</p></body></html>")}),
                   "Konto nadawcy: BIURO\r\nWyświetlenie okna nowej wiadomości.\r\n"
                   "Dodanie treści tekstowej: a<b\r\n"},
        // A whole document: its body goes in, its style moves to the message's head.
        SenderCase{"WholeDocumentBodyFile", "", "-signature 1 -html 1",
                   {"MailItem.Display METHOD", "MailItem.HtmlBody PROPERTYGET",
                    "MailItem.HtmlBody PROPERTYPUT named=PROPERTYPUT " +
                        Bstr("<html><head><style>p.MsoNormal{margin:0cm}</style><style>p{color:navy}</style></head>"
                             "<body lang=PL><p>Dzień dobry</p><p class=MsoNormal>-- <br>Domyślne konto</p>"
                             "</body></html>")},
                   "Wyświetlenie okna nowej wiadomości.\r\nDodanie treści html: " + kWholeDocument + "\r\n",
                   kWholeDocumentFile}),
    [](const testing::TestParamInfo<SenderCase>& info) { return info.param.name; });

// The security guard may ask the user about an account's address. A "Deny"
// fails the read, with MAPI_E_NOT_SUPPORTED or as the runtime's 287: either
// way the sender is not chosen, the message keeps the default account and opens.
struct DenialCase {
  const char* name;
  const char* control;
  const char* entry;  // the number and description the log gives
};

class GuardDenied : public WineSuite, public testing::WithParamInterface<DenialCase> {};

TEST_P(GuardDenied, LeavesTheDefaultAccountAndOpensTheMessage) {
  const DenialCase& param = GetParam();
  WineCase c(param.name);
  c.SetFailures(std::string("account anna@firma.pl Anna Nowak\naccount jan@firma.pl Jan\n") + param.control + "\n");
  const RunResult run = c.Run("-from biuro@firma.pl -to anna");
  ExpectCleanRun(run);
  // One question only: the second account's address is not read.
  EXPECT_EQ(c.Calls(), (Lines{"ClassFactory.CreateInstance", "Application.CreateItem METHOD VT_I2:0",
                              "Application.Session PROPERTYGET", "NameSpace.Accounts PROPERTYGET",
                              "Accounts.Count PROPERTYGET", "Accounts.Item METHOD VT_I4:1",
                              "Account.DisplayName PROPERTYGET", "Accounts.Item METHOD VT_I4:2",
                              "Account.DisplayName PROPERTYGET", "Account.SmtpAddress PROPERTYGET",
                              "  failed as asked", "release Account", "release Account", "release Accounts",
                              "release NameSpace", "MailItem.Display METHOD", "MailItem.Recipients PROPERTYGET",
                              "Recipients.Add METHOD VT_BSTR:\"anna\"", "release Recipients", "release MailItem",
                              "release Application", "release Recipient", "exit objects=0"}));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\nParametry: -from biuro@firma.pl -to anna\r\n"
                         "Nadawca nie został wybrany: biuro@firma.pl (nie udało się odczytać adresu konta, błąd " +
                         param.entry + ")\r\nWyświetlenie okna nowej wiadomości.\r\nDodanie adresata: anna\r\n"
                         "Koniec programu.\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    WineSuite, GuardDenied,
    testing::Values(DenialCase{"DeniedNotSupported", "Account.SmtpAddress exception 0 0x80040102 Odmowa.",
                               "-2147221246: Odmowa."},
                    DenialCase{"Denied287", "Account.SmtpAddress exception 0 0x800A011F Odmowa dostępu.",
                               "287: Odmowa dostępu."}),
    [](const testing::TestParamInfo<DenialCase>& info) { return info.param.name; });

// -template: the message starts from an Outlook template (the stand-in's
// template file, see fake_outlook.cc). A subject or body given replaces the
// template's, recipients are added to its own; with -signature 1 the body
// goes in ahead of what the template holds.
const std::string kTemplateBody = "<html><head><style>p.MsoNormal{margin:0cm}</style></head><body lang=PL>"
                                  "<p class=MsoNormal>Szanowni Państwo,</p><p class=MsoNormal>-- <br>Firma</p>"
                                  "</body></html>";
const std::string kTemplate = "Subject: Oferta firmy\r\nTo: biuro@firma.pl\r\n\r\n" + kTemplateBody;

struct TemplateCase {
  const char* name;
  std::string template_path;  // relative: below the case's folder
  std::string options;        // after -template
  Lines calls;                // between CreateItemFromTemplate and the release of the item
  std::string held;           // what the item held when let go of
  std::string steps;          // the log after the template's entry
};

void PrintTo(const TemplateCase& c, std::ostream* out) { *out << c.name; }

class FromTemplate : public WineSuite, public testing::WithParamInterface<TemplateCase> {};

TEST_P(FromTemplate, StartsTheMessageFromTheTemplate) {
  const TemplateCase& param = GetParam();
  WineCase c(param.name);
  const bool absolute = param.template_path.starts_with("C:\\");
  const std::string path = absolute ? param.template_path : c.WinPath(param.template_path);
  // The file on the Linux side of drive C.
  std::string below_c = path.substr(3);
  for (char& ch : below_c) ch = ch == '\\' ? '/' : ch;
  const std::filesystem::path file = std::filesystem::path(std::getenv("WINEPREFIX")) / "drive_c" / std::filesystem::u8path(below_c);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << kTemplate;
  const std::string args = "-template " + (path.find(' ') != std::string::npos ? "\"" + path + "\"" : path) + param.options;
  const RunResult run = c.Run(args);
  ExpectCleanRun(run);
  Lines expected = {"ClassFactory.CreateInstance", "Application.CreateItemFromTemplate METHOD " + Bstr(path)};
  expected.insert(expected.end(), param.calls.begin(), param.calls.end());
  expected.insert(expected.end(), {param.held, "release MailItem", "release Application"});
  if (param.options.find(" -to ") != std::string::npos) expected.push_back("release Recipient");
  expected.push_back("exit objects=0");
  EXPECT_EQ(c.Calls(), expected);
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) + "\r\n\r\nParametry: " + args + "\r\nSzablon wiadomości: " +
                         path + "\r\n" + param.steps + "Koniec programu.\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    WineSuite, FromTemplate,
    testing::Values(
        TemplateCase{"TemplateAlone", "oferta.oft", "", {"MailItem.Display METHOD"},
                     "held Subject=\"Oferta firmy\" Recipients=\"biuro@firma.pl\" Body=\"" + Escaped(kTemplateBody) + "\"",
                     "Wyświetlenie okna nowej wiadomości.\r\n"},
        TemplateCase{"TemplateWithEverything", "C:\\Szablony\\oferta.oft", " -subject Oferta -to anna -signature 1 -body x",
                     {"MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"Oferta\"", "MailItem.Display METHOD",
                      "MailItem.BodyFormat PROPERTYGET", "MailItem.HtmlBody PROPERTYGET",
                      "MailItem.HtmlBody PROPERTYPUT named=PROPERTYPUT " +
                          Bstr(kHtmlHead + "<p class=MsoNormal>x</p>" + kTemplateBody.substr(kHtmlHead.size())),
                      "MailItem.Recipients PROPERTYGET", "Recipients.Add METHOD VT_BSTR:\"anna\"", "release Recipients"},
                     "held Subject=\"Oferta\" Recipients=\"biuro@firma.pl;anna\" Body=\"" +
                         Escaped(kHtmlHead + "<p class=MsoNormal>x</p>" + kTemplateBody.substr(kHtmlHead.size())) + "\"",
                     "Dodanie tematu: Oferta\r\nWyświetlenie okna nowej wiadomości.\r\nDodanie treści tekstowej: x\r\n"
                     "Dodanie adresata: anna\r\n"},
        TemplateCase{"TemplateBodyReplaced", "Szablony łódzkie\\Oferta – ść.oft", " -body <p>Nowa</p> -html 1",
                     {"MailItem.HtmlBody PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"<p>Nowa</p>\"", "MailItem.Display METHOD"},
                     "held Subject=\"Oferta firmy\" Recipients=\"biuro@firma.pl\" Body=\"<p>Nowa</p>\"",
                     "Dodanie treści html: <p>Nowa</p>\r\nWyświetlenie okna nowej wiadomości.\r\n"}),
    [](const testing::TestParamInfo<TemplateCase>& info) { return info.param.name; });

// A template that is not there ends the run before Outlook is asked.
TEST_F(WineSuite, MissingTemplateOpensNothing) {
  WineCase c("TemplateMissing");
  const std::string path = c.WinPath("oferta.oft"), args = "-template " + path + " -to anna";
  const RunResult run = c.Run(args);
  ExpectWarningBox(run, "Wystąpił błąd:\\r\\nNie znaleziono pliku szablonu: " + Escaped(path));
  EXPECT_TRUE(c.Calls().empty());
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) + "\r\n\r\nParametry: " + args + "\r\nSzablon wiadomości: " + path +
                         "\r\n\r\n\r\nWystąpił błąd (53): Nie znaleziono pliku szablonu: " + path +
                         "\r\nProgram zakończony błędem.\r\n");
}

// The mail client ends while it adds the second recipient and never answers.
TEST_F(WineSuite, ServerDyingInACallEndsTheRun) {
  WineCase c("ServerDies");
  c.SetFailures("Recipients.Add#2 die\n");
  const RunResult run = c.Run("-to anna;jan;ewa -subject S");
  const std::string description = GenericDescription(run);
  EXPECT_FALSE(description.empty());
  ExpectWarningBox(run, "Wystąpił błąd:\\r\\n" + description);
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"S\"",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "Recipients.Add METHOD VT_BSTR:\"jan\"",
                           "  died as asked",
                           "exit died",
                       }));
  // Wine's answer for the broken call: RPC_S_CALL_FAILED, kept whole.
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -to anna;jan;ewa -subject S\r\n"
                         "Dodanie tematu: S\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Dodanie adresata: anna\r\n"
                         "Dodanie adresata: jan\r\n"
                         "\r\n\r\n"
                         "Wystąpił błąd (-2147023170): " + description + "\r\n"
                         "Program zakończony błędem.\r\n");
}

TEST_F(WineSuite, CopiesAndBlindCopiesGetTheirTypes) {
  WineCase c("Copies");
  const RunResult run = c.Run("-to anna -cc jan;ewa -bcc szef");
  ExpectCleanRun(run);
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "Recipients.Add METHOD VT_BSTR:\"jan\"",
                           "Recipient.Type PROPERTYPUT named=PROPERTYPUT VT_I4:2",
                           "release Recipient",
                           "Recipients.Add METHOD VT_BSTR:\"ewa\"",
                           "Recipient.Type PROPERTYPUT named=PROPERTYPUT VT_I4:2",
                           "release Recipient",
                           "Recipients.Add METHOD VT_BSTR:\"szef\"",
                           "Recipient.Type PROPERTYPUT named=PROPERTYPUT VT_I4:3",
                           "release Recipient",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
                           "release Recipient",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -to anna -cc jan;ewa -bcc szef\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Dodanie adresata: anna\r\n"
                         "Dodanie adresata DW: jan\r\n"
                         "Dodanie adresata DW: ewa\r\n"
                         "Dodanie adresata UDW: szef\r\n"
                         "Koniec programu.\r\n");
}

// A file made unwritable and undeletable on the Linux side: Wine lets root
// write files that are only marked read-only, but not immutable ones.
class Immutable {
 public:
  explicit Immutable(const std::filesystem::path& file) : file_(file) {
    ok_ = std::system(("chattr +i '" + file_.string() + "'").c_str()) == 0;
  }
  ~Immutable() { std::system(("chattr -i '" + file_.string() + "'").c_str()); }
  bool ok() const { return ok_; }

 private:
  std::filesystem::path file_;
  bool ok_ = false;
};

TEST_F(WineSuite, BodyFileThatCannotBeDeletedGivesTheGenericBox) {
  WineCase c("BodyDelete");
  c.WriteFile("treść.txt", ToCp1250("Dzień dobry\r\n"));
  // Read-only: Windows (and Wine) refuse to delete it.
  std::filesystem::permissions(c.UnixPath("treść.txt"), std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::group_read |
                                                           std::filesystem::perms::others_read);
  const std::string path = c.WinPath("treść.txt");
  const RunResult run = c.Run("-bodyfile " + path + " -bodyfiledelete 1");
  ASSERT_EQ(run.boxes.size(), 1u);
  // The system's text for the error, then the path.
  const std::string lead = "Wystąpił błąd:\\r\\n", tail = ": " + Escaped(path);
  const std::string& text = run.boxes[0].text;
  ASSERT_EQ(text.rfind(lead, 0), 0u) << text;
  ASSERT_TRUE(text.ends_with(tail)) << text;
  ASSERT_GT(text.size(), lead.size() + tail.size()) << "no system text";
  ExpectWarningBox(run, text);
  EXPECT_TRUE(c.Calls().empty()) << "the mail client was contacted";
  EXPECT_TRUE(std::filesystem::exists(c.UnixPath("treść.txt")));
  const std::string description = text.substr(lead.size(), text.size() - lead.size() - tail.size());
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -bodyfile " + path + " -bodyfiledelete 1\r\n"
                         "\r\n\r\n"
                         "Wystąpił błąd (70): " + description + ": " + path + "\r\n"
                         "Program zakończony błędem.\r\n");
}

TEST_F(WineSuite, RenamedExecutableKeepsItsLogName) {
  WineCase c("Renamed", "Poczta.exe");
  // The program's name unquoted: the command text starts after its blank.
  const RunResult run = c.RunCommandLine(c.ExeWinPath() + "   -subject \"Oferta - marzec\"");
  ExpectCleanRun(run);
  EXPECT_FALSE(std::filesystem::exists(c.UnixPath("Poczta.log")));
  EXPECT_EQ(c.Log(), ExpectedHeader("C:\\cases\\Renamed\\Poczta.exe") +
                         "\r\n\r\n"
                         "Parametry: -subject \"Oferta - marzec\"\r\n"
                         "Dodanie tematu: Oferta\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Koniec programu.\r\n");
}

TEST_F(WineSuite, EmptyCommandLineOpensAnEmptyMessageAndLogsAppend) {
  WineCase c("Empty");
  ExpectCleanRun(c.RunCommandLine("\"" + c.ExeWinPath() + "\""));
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Display METHOD",
                           "release MailItem",
                           "release Application",
                           "exit objects=0",
                       }));
  ExpectCleanRun(c.Run("-subject drugi"));
  const std::string first = ExpectedHeader(c.ExeWinPath()) +
                            "\r\n\r\n"
                            "Parametry: \r\n"
                            "Wyświetlenie okna nowej wiadomości.\r\n"
                            "Koniec programu.\r\n";
  EXPECT_EQ(c.Log(), first + ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -subject drugi\r\n"
                         "Dodanie tematu: drugi\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Koniec programu.\r\n");
}

TEST_F(WineSuite, ReadOnlyLogLosesEntriesButNotTheRun) {
  WineCase c("ReadOnlyLog");
  c.WriteFile("Wrenpost.log", "stare wpisy\r\n");
  Immutable immutable(c.UnixPath("Wrenpost.log"));
  if (!immutable.ok()) GTEST_SKIP() << "this file system cannot mark the log immutable (chattr +i)";
  const RunResult run = c.Run("-to anna -subject Oferta");
  ExpectCleanRun(run);
  EXPECT_EQ(c.Calls(), kSubjectAndRecipientCalls);
  EXPECT_EQ(c.Log(), "stare wpisy\r\n");
}

TEST_F(WineSuite, VersionRecordNamesTheProgram) {
  WineCase c("Version");
  ASSERT_EQ(WineCase::Wine({"C:\\wrenpost-tools\\wine_runner.exe", "version", c.ExeWinPath(),
                            c.WinPath("version.txt")}),
            0);
  std::ifstream in(c.UnixPath("version.txt"));
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The numbers as the build generated them; every string present.
  const std::string fixed = std::to_string(WRENPOST_VERSION_MAJOR) + "." +
                            std::to_string(WRENPOST_VERSION_MINOR) + "." +
                            std::to_string(WRENPOST_VERSION_PATCH) + ".0";
  EXPECT_EQ(all,
            "fixed=" + fixed + "\n"
            "translation=041504B0\n"
            "FileDescription=Uruchomienie nowej wiadomości w MS Outlook z polami \\\"do\\\", "
            "\\\"temat\\\", \\\"treść\\\" i załączniki\n"
            "FileVersion=" WRENPOST_VERSION_STRINGS "\n"
            "InternalName=Wrenpost\n"
            "OriginalFilename=Wrenpost.exe\n"
            "ProductName=Wrenpost\n"
            "ProductVersion=" WRENPOST_VERSION_STRINGS "\n");
}

}  // namespace
}  // namespace wrenpost::wine_test
