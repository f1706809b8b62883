#include "launcher/run_launcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>

#include "launcher/failure_report.h"
#include "platform/fake/fake_host.h"

namespace wrenpost {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr const char* kLogPath = "C:\\Narzędzia\\Wrenpost.log";

const std::string kHeader = "\r\n\r\n" + std::string(55, '-') +
                            "\r\n\r\nC:\\Narzędzia\\Wrenpost.exe (" WRENPOST_VERSION_TEXT ")\r\n"
                            "2014-3-05, 09:07:03, użytkownik = anna, komputer = BIURO-7\r\n";

struct LauncherTest : ::testing::Test {
  FakePlatform fake;

  int Run(const std::string& command_text) {
    fake.process.command_text = command_text;
    return RunLauncher(fake.platform());
  }
  std::string Log() const { return fake.files.Content(kLogPath); }
  // The log after the header and the "Parametry" entries.
  std::string Steps() const {
    const std::string log = Log();
    const auto parameters = log.find("Parametry: ");
    return log.substr(log.find("\r\n", parameters) + 2);
  }
  std::vector<std::string> Calls() const { return fake.automation.DescribedCalls(); }
};

TEST_F(LauncherTest, TypicalRun) {
  fake.files.Add("C:\\oferta.pdf", "%PDF");
  EXPECT_EQ(Run("-to anna -subject Oferta -attachment C:\\oferta.pdf"), kExitSuccess);
  EXPECT_EQ(Log(), kHeader +
                       "\r\n\r\n"
                       "Parametry: -to anna -subject Oferta -attachment C:\\oferta.pdf\r\n"
                       "Dodanie tematu: Oferta\r\n"
                       "Dodanie załącznika: C:\\oferta.pdf\r\n"
                       "Wyświetlenie okna nowej wiadomości.\r\n"
                       "Dodanie adresata: anna\r\n"
                       "Koniec programu.\r\n");
  EXPECT_THAT(Calls(), ElementsAre(".create Outlook.Application",
                                   "Outlook.Application.call CreateItem(0i2)",
                                   "MailItem.put Subject(\"Oferta\")",
                                   "MailItem.get Attachments",
                                   "Attachments.call Add(\"C:\\oferta.pdf\")",
                                   "Attachments.release",
                                   "MailItem.foreground",
                                   "MailItem.call Display()",
                                   "MailItem.get Recipients",
                                   "Recipients.call Add(\"anna\")",
                                   "Recipients.release",
                                   "MailItem.release", "Outlook.Application.release"));
  EXPECT_THAT(fake.warning_box.shown, IsEmpty());
}

TEST_F(LauncherTest, EmptyCommandLineOpensAnEmptyMessage) {
  EXPECT_EQ(Run(""), kExitSuccess);
  EXPECT_EQ(Log(), kHeader + "\r\n\r\nParametry: \r\n"
                             "Wyświetlenie okna nowej wiadomości.\r\n"
                             "Koniec programu.\r\n");
  EXPECT_THAT(Calls(), ElementsAre(".create Outlook.Application",
                                   "Outlook.Application.call CreateItem(0i2)",
                                   "MailItem.foreground", "MailItem.call Display()", "MailItem.release",
                                   "Outlook.Application.release"));
}

TEST_F(LauncherTest, PlainAndHtmlBodies) {
  Run("-body Dzień dobry");
  EXPECT_THAT(Calls(), ::testing::Contains("MailItem.put Body(\"Dzień dobry\")"));
  EXPECT_THAT(Steps(), HasSubstr("Dodanie treści tekstowej: Dzień dobry\r\n"));

  FakePlatform html;
  html.process.command_text = "-body <b>x</b> -html 1";
  RunLauncher(html.platform());
  EXPECT_THAT(html.automation.DescribedCalls(),
              ::testing::Contains("MailItem.put HtmlBody(\"<b>x</b>\")"));
  EXPECT_THAT(html.files.Content(kLogPath), HasSubstr("Dodanie treści html: <b>x</b>\r\n"));
}

TEST_F(LauncherTest, BodyFileWinsOverBodyOption) {
  fake.files.Add("b.txt", "z pliku\r\n");
  Run("-body z opcji -bodyfile b.txt");
  EXPECT_THAT(Calls(), ::testing::Contains("MailItem.put Body(\"z pliku\")"));
  EXPECT_TRUE(fake.files.Has("b.txt"));
}

TEST_F(LauncherTest, MissingBodyFileEmptiesTheBodySilently) {
  EXPECT_EQ(Run("-body z opcji -bodyfile brak.txt -bodyfiledelete 1"), kExitSuccess);
  EXPECT_THAT(Calls(), Not(::testing::Contains(HasSubstr("Body"))));
  EXPECT_EQ(Steps(), "Wyświetlenie okna nowej wiadomości.\r\nKoniec programu.\r\n");
}

TEST_F(LauncherTest, BodyFileOfThreeLinesRunsTogether) {
  fake.files.Add("b.html", "<p>a</p>\r\n<p>b</p>\r\n<p>c</p>\r\n");
  Run("-bodyfile b.html -html 1");
  EXPECT_THAT(Calls(), ::testing::Contains("MailItem.put HtmlBody(\"<p>a</p><p>b</p><p>c</p>\")"));
}

TEST_F(LauncherTest, DeleteFlagOneDeletesTheFileBeforeTheMailClientStarts) {
  fake.files.Add("b.txt", "x");
  fake.automation.NotInstalled();
  EXPECT_EQ(Run("-bodyfile b.txt -bodyfiledelete 1"), kExitFailure);
  EXPECT_FALSE(fake.files.Has("b.txt"));  // gone even though the run failed later
}

TEST_F(LauncherTest, DeleteFlagOtherValuesKeepTheFile) {
  for (const char* value : {"0", "true", "01", "\"\""}) {
    FakePlatform run;
    run.files.Add("b.txt", "x");
    run.process.command_text = std::string("-bodyfile b.txt -bodyfiledelete ") + value;
    RunLauncher(run.platform());
    EXPECT_TRUE(run.files.Has("b.txt")) << value;
  }
}

TEST_F(LauncherTest, AttachmentsPresentMissingHiddenAndEmpty) {
  fake.files.Add("a.pdf", "1");
  fake.files.Add("ukryty.pdf", "2", /*hidden=*/true);
  fake.files.AddFolder("folder");
  fake.files.Add("", "never attached");  // an empty element must not find anything
  Run("-attachment a.pdf;brak.pdf;ukryty.pdf;;folder");
  EXPECT_EQ(Steps(),
            "Dodanie załącznika: a.pdf\r\n"
            "Plik brak.pdf nie istnieje!\r\n"
            "Plik ukryty.pdf nie istnieje!\r\n"
            "Plik  nie istnieje!\r\n"
            "Plik folder nie istnieje!\r\n"
            "Wyświetlenie okna nowej wiadomości.\r\n"
            "Koniec programu.\r\n");
  EXPECT_THAT(Calls(), ::testing::Contains(HasSubstr("Attachments.call Add")).Times(1));
}

TEST_F(LauncherTest, RecipientsGoInAfterDisplayInListOrderThroughOneCollection) {
  Run("-to anna; jan;;ewa@firma.pl");
  // The added recipients are never asked for: no object comes back to let go of.
  EXPECT_THAT(Calls(), ElementsAre(".create Outlook.Application",
                                   "Outlook.Application.call CreateItem(0i2)",
                                   "MailItem.foreground", "MailItem.call Display()",
                                   "MailItem.get Recipients",
                                   "Recipients.call Add(\"anna\")",
                                   "Recipients.call Add(\" jan\")",
                                   "Recipients.call Add(\"\")",
                                   "Recipients.call Add(\"ewa@firma.pl\")",
                                   "Recipients.release", "MailItem.release",
                                   "Outlook.Application.release"));
}

TEST_F(LauncherTest, CopiesAndBlindCopiesFollowTheRecipientsWithTheirType) {
  EXPECT_EQ(Run("-bcc szef;;kadry -to anna -cc ksiegowa"), kExitSuccess);
  EXPECT_THAT(Calls(), ElementsAre(".create Outlook.Application",
                                   "Outlook.Application.call CreateItem(0i2)",
                                   "MailItem.foreground", "MailItem.call Display()", "MailItem.get Recipients",
                                   "Recipients.call Add(\"anna\")",
                                   "Recipients.call Add(\"ksiegowa\")", "Added.put Type(2i4)", "Added.release",
                                   "Recipients.call Add(\"szef\")", "Added.put Type(3i4)", "Added.release",
                                   "Recipients.call Add(\"\")", "Added.put Type(3i4)", "Added.release",
                                   "Recipients.call Add(\"kadry\")", "Added.put Type(3i4)", "Added.release",
                                   "Recipients.release", "MailItem.release",
                                   "Outlook.Application.release"));
  EXPECT_EQ(Steps(), "Wyświetlenie okna nowej wiadomości.\r\n"
                     "Dodanie adresata: anna\r\n"
                     "Dodanie adresata DW: ksiegowa\r\n"
                     "Dodanie adresata UDW: szef\r\n"
                     "Dodanie adresata UDW: \r\n"
                     "Dodanie adresata UDW: kadry\r\n"
                     "Koniec programu.\r\n");
}

// The sender: the account found by display name (any ASCII case), else by
// address, set by reference; else the mailbox sent on behalf of.
struct SenderCase {
  const char* name;
  std::string from;
  std::string entry;    // the log entry
  std::string setting;  // the call that sets the sender
  bool reads_addresses;
};

void PrintTo(const SenderCase& c, std::ostream* out) { *out << c.name; }

class LauncherSenderTest : public LauncherTest, public ::testing::WithParamInterface<SenderCase> {};

TEST_P(LauncherSenderTest, IsSetRightAfterCreateItemWithEveryLookupObjectLetGo) {
  const SenderCase& c = GetParam();
  fake.automation.AddAccount("Anna Nowak", "anna@firma.pl");
  fake.automation.AddAccount("Biuro", "biuro@firma.pl");
  fake.automation.AddAccount("biuro@firma.pl", "sekretariat@firma.pl");
  EXPECT_EQ(Run("-subject S -from " + c.from), kExitSuccess);
  EXPECT_EQ(Steps(), c.entry + "Dodanie tematu: S\r\nWyświetlenie okna nowej wiadomości.\r\nKoniec programu.\r\n");
  const std::vector<std::string> calls = Calls();
  const auto setting = std::find(calls.begin(), calls.end(), c.setting);
  ASSERT_NE(setting, calls.end()) << ::testing::PrintToString(calls);
  EXPECT_EQ(calls[1], "Outlook.Application.call CreateItem(0i2)");
  EXPECT_EQ(calls[2], "Outlook.Application.get Session");
  // After the setting, the lookup's objects go, then the subject follows.
  EXPECT_EQ(std::find(calls.begin(), calls.end(), "MailItem.put Subject(\"S\")"),
            std::find(calls.begin(), calls.end(), "Session.release") + 1);
  EXPECT_THAT(std::vector<std::string>(setting + 1, calls.end()),
              ::testing::IsSupersetOf({"Accounts.release", "Session.release"}));
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& call) { return call.ends_with("SmtpAddress"); }) > 0,
            c.reads_addresses);
  EXPECT_EQ(fake.automation.live_objects(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Senders, LauncherSenderTest,
    ::testing::Values(
        SenderCase{"DisplayNameInAnyCase", "BIURO", "Konto nadawcy: BIURO\r\n",
                   "MailItem.putref SendUsingAccount(Account2)", false},
        // A display name that reads like another account's address wins over that address.
        SenderCase{"DisplayNamesComeFirst", "biuro@firma.pl", "Konto nadawcy: biuro@firma.pl\r\n",
                   "MailItem.putref SendUsingAccount(Account3)", false},
        SenderCase{"AddressWhenNoNameMatches", "\"Sekretariat@Firma.PL\"",
                   "Konto nadawcy: Sekretariat@Firma.PL\r\n", "MailItem.putref SendUsingAccount(Account3)",
                   true},
        SenderCase{"SharedMailbox", "wspolna@firma.pl", "Wysyłanie w imieniu: wspolna@firma.pl\r\n",
                   "MailItem.put SentOnBehalfOfName(\"wspolna@firma.pl\")", true},
        // Only ASCII letters are compared without regard to case.
        SenderCase{"PolishLettersKeepTheirCase", "ANNA NOWAK", "Konto nadawcy: ANNA NOWAK\r\n",
                   "MailItem.putref SendUsingAccount(Account1)", false},
        SenderCase{"PolishCapitalIsAnotherLetter", "Biurą", "Wysyłanie w imieniu: Biurą\r\n",
                   "MailItem.put SentOnBehalfOfName(\"Biurą\")", true}),
    [](const ::testing::TestParamInfo<SenderCase>& info) { return std::string(info.param.name); });

TEST_F(LauncherTest, SenderWithoutAccountsIsTheMailboxSentOnBehalfOf) {
  EXPECT_EQ(Run("-from biuro@firma.pl"), kExitSuccess);
  EXPECT_THAT(Calls(), ::testing::Contains("MailItem.put SentOnBehalfOfName(\"biuro@firma.pl\")"));
}

// A read that fails during the lookup. An address the user would not let be
// read (the security guard's "Deny", whatever number it comes as) leaves the
// default account, asks nothing more and opens the message; a failure before
// the addresses ends the run. Every object of the lookup is let go of.
struct LookupFailureCase {
  const char* kind;
  const char* member;
  std::int32_t number;
  bool opens;
};

TEST_F(LauncherTest, SenderLookupFailures) {
  for (const LookupFailureCase& c : {LookupFailureCase{"read", "SmtpAddress", -2147221246, true},
                                     LookupFailureCase{"read", "SmtpAddress", 287, true},
                                     LookupFailureCase{"read", "DisplayName", -2147221246, false},
                                     LookupFailureCase{"call", "Item", 287, false},
                                     LookupFailureCase{"get", "Accounts", 287, false}}) {
    SCOPED_TRACE(std::string(c.member) + " " + std::to_string(c.number));
    FakePlatform run;
    run.automation.AddAccount("Anna", "anna@firma.pl");
    run.automation.AddAccount("Jan", "jan@firma.pl");
    run.automation.FailOn(c.kind, c.member, RunError(c.number, "Odmowa dostępu."));
    run.process.command_text = "-from biuro@firma.pl -to x";
    EXPECT_EQ(RunLauncher(run.platform()), c.opens ? kExitSuccess : kExitFailure);
    EXPECT_EQ(run.automation.live_objects(), 0);
    EXPECT_EQ(run.warning_box.shown.size(), c.opens ? 0u : 1u);
    if (!c.opens) continue;
    const std::vector<std::string> calls = run.automation.DescribedCalls();
    EXPECT_THAT(calls, ::testing::Contains("Account1.read SmtpAddress").Times(1));
    EXPECT_THAT(calls, Not(::testing::Contains(HasSubstr("Account2.read SmtpAddress"))));
    EXPECT_THAT(calls, Not(::testing::Contains(HasSubstr("SentOnBehalfOfName"))));
    EXPECT_THAT(run.files.Content(kLogPath),
                ::testing::EndsWith("Parametry: -from biuro@firma.pl -to x\r\n"
                                    "Nadawca nie został wybrany: biuro@firma.pl (nie udało się odczytać adresu konta, "
                                    "błąd " + std::to_string(c.number) + ": Odmowa dostępu.)\r\n"
                                    "Wyświetlenie okna nowej wiadomości.\r\nDodanie adresata: x\r\nKoniec programu.\r\n"));
  }
}

// -signature 1: the body goes in after Display, ahead of the signature the
// mail client put into the empty message.
struct SignatureCase {
  const char* name;
  std::string command_text;
  std::int32_t body_format;  // what the item reports
  std::string html_body;     // what the item holds after Display
  std::string body;
  std::vector<std::string> after_display;  // the calls between Display and the recipients
};

void PrintTo(const SignatureCase& c, std::ostream* out) { *out << c.name; }

class LauncherSignatureTest : public LauncherTest, public ::testing::WithParamInterface<SignatureCase> {};

TEST_P(LauncherSignatureTest, BodyGoesInAheadOfTheSignature) {
  const SignatureCase& c = GetParam();
  fake.files.Add("b.txt", "Dzień dobry & <witam>\n\"Anna\"\r\n");
  fake.automation.SetValue("MailItem", "BodyFormat", c.body_format);
  fake.automation.SetValue("MailItem", "HtmlBody", c.html_body);
  fake.automation.SetValue("MailItem", "Body", c.body);
  EXPECT_EQ(Run(c.command_text + " -subject S -to anna"), kExitSuccess);
  std::vector<std::string> expected = {".create Outlook.Application", "Outlook.Application.call CreateItem(0i2)",
                                       "MailItem.put Subject(\"S\")", "MailItem.foreground",
                                       "MailItem.call Display()"};
  expected.insert(expected.end(), c.after_display.begin(), c.after_display.end());
  expected.insert(expected.end(), {"MailItem.get Recipients", "Recipients.call Add(\"anna\")", "Recipients.release",
                                   "MailItem.release", "Outlook.Application.release"});
  EXPECT_EQ(Calls(), expected);
  // The body's entry follows the window's, as the body follows Display.
  const std::string entry = c.after_display.empty()                              ? ""
                            : c.command_text.find("-html 1") != std::string::npos ? "Dodanie treści html: <p>x</p>\r\n"
                                                                                  : "Dodanie treści tekstowej: ";
  EXPECT_THAT(Steps(), ::testing::StartsWith("Dodanie tematu: S\r\nWyświetlenie okna nowej wiadomości.\r\n" + entry));
}

const std::string kSignedHtml = "<html><head></head><BODY lang=PL><p>-- Anna</p></BODY></html>";

INSTANTIATE_TEST_SUITE_P(
    Signatures, LauncherSignatureTest,
    ::testing::Values(
        SignatureCase{"HtmlBody", "-signature 1 -html 1 -body <p>x</p>", 2, kSignedHtml, "",
                      {"MailItem.read HtmlBody",
                       "MailItem.put HtmlBody(\"<html><head></head><BODY lang=PL><p>x</p><p>-- Anna</p></BODY></html>\")"}},
        SignatureCase{"TextIntoAnHtmlMessage", "-signature 1 -bodyfile b.txt", 2, kSignedHtml, "",
                      {"MailItem.read BodyFormat", "MailItem.read HtmlBody",
                       "MailItem.put HtmlBody(\"<html><head></head><BODY lang=PL><p class=MsoNormal>"
                       "Dzień dobry &amp; &lt;witam&gt;<br>&quot;Anna&quot;</p><p>-- Anna</p></BODY></html>\")"}},
        SignatureCase{"TextIntoARichTextMessage", "-signature 1 -body a<b", 3, "<body>sig", "",
                      {"MailItem.read BodyFormat", "MailItem.read HtmlBody",
                       "MailItem.put HtmlBody(\"<body><p class=MsoNormal>a&lt;b</p>sig\")"}},
        SignatureCase{"TextIntoAPlainMessage", "-signature 1 -body tekst", 1, "", "\r\n-- \r\nAnna",
                      {"MailItem.read BodyFormat", "MailItem.read Body",
                       "MailItem.put Body(\"tekst\r\n\r\n-- \r\nAnna\")"}},
        // No signature: nothing to set the body apart from.
        SignatureCase{"TextIntoAnEmptyPlainMessage", "-signature 1 -body tekst", 1, "", "",
                      {"MailItem.read BodyFormat", "MailItem.read Body", "MailItem.put Body(\"tekst\")"}},
        SignatureCase{"NoBodyLeavesTheSignatureAlone", "-signature 1 -body \"\"", 2, kSignedHtml, "", {}}),
    [](const ::testing::TestParamInfo<SignatureCase>& info) { return std::string(info.param.name); });

TEST_F(LauncherTest, WithoutSignatureTheBodyGoesInBeforeDisplayAsAlways) {
  Run("-signature 0 -html 1 -body <p>x</p>");
  EXPECT_THAT(Calls(), ::testing::ElementsAre(".create Outlook.Application", "Outlook.Application.call CreateItem(0i2)",
                                              "MailItem.put HtmlBody(\"<p>x</p>\")", "MailItem.foreground",
                                              "MailItem.call Display()", "MailItem.release",
                                              "Outlook.Application.release"));
}

TEST_F(LauncherTest, RelativeAttachmentGoesAsAFullPathAndIsLoggedAsWritten) {
  fake.files.working_folder = "C:\\Praca";
  fake.files.Add("a.pdf", "1");
  fake.files.Add("C:\\b.pdf", "2");
  fake.files.Add("C:c.pdf", "3");  // relative to drive C's current folder
  Run("-attachment a.pdf;C:\\b.pdf;brak.pdf;C:c.pdf");
  EXPECT_THAT(Calls(), ::testing::IsSupersetOf({"MailItem.get Attachments",
                                                "Attachments.call Add(\"C:\\Praca\\a.pdf\")",
                                                "Attachments.call Add(\"C:\\b.pdf\")",
                                                "Attachments.call Add(\"C:\\Praca\\c.pdf\")"}));
  EXPECT_THAT(Calls(), ::testing::Contains("MailItem.get Attachments").Times(1));
  EXPECT_THAT(Steps(), HasSubstr("Dodanie załącznika: a.pdf\r\nDodanie załącznika: C:\\b.pdf\r\n"));
}

TEST_F(LauncherTest, FileLookupFailureStopsTheRun) {
  fake.files.Fail("exists", RunError(52, "Bad file name or number"));
  EXPECT_EQ(Run("-attachment Q:\\x.pdf"), kExitFailure);
  EXPECT_THAT(Log(), HasSubstr("Wystąpił błąd (52): Bad file name or number\r\n"));
}

// A failure at each step of the mail client: the failing call, the number it
// raises, and what the box must say.
struct FailureCase {
  const char* name;
  std::string kind;
  std::string member;
  std::int32_t number;
  std::string box_text;
  bool displayed;  // whether the window was already shown
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

const std::string kNoMessage = "Nie można utworzyć nowej wiadomości w MS Outlook.\r\n";

class LauncherFailureTest : public LauncherTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LauncherFailureTest, LogsThreeEntriesShowsTheBoxAndReleasesHandles) {
  const FailureCase& c = GetParam();
  fake.files.Add("a.pdf", "1");
  fake.automation.FailOn(c.kind, c.member, RunError(c.number, "opis błędu"));
  EXPECT_EQ(Run("-to anna;jan -subject S -body B -attachment a.pdf"), kExitFailure);

  const std::string log = Log();
  const std::string tail = "\r\n\r\nWystąpił błąd (" + std::to_string(c.number) +
                           "): opis błędu\r\nProgram zakończony błędem.\r\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  EXPECT_THAT(log, Not(HasSubstr("Koniec programu.")));
  EXPECT_EQ(log.find("Wyświetlenie okna") != std::string::npos, c.displayed);

  ASSERT_EQ(fake.warning_box.shown.size(), 1u);
  EXPECT_EQ(fake.warning_box.shown[0].caption, "Wrenpost");
  EXPECT_EQ(fake.warning_box.shown[0].text, c.box_text);

  // Every handle obtained is released, the item before the application.
  EXPECT_EQ(fake.automation.live_objects(), 0);
  const auto calls = Calls();
  const auto item_release = std::find(calls.begin(), calls.end(), "MailItem.release");
  const auto app_release = std::find(calls.begin(), calls.end(), "Outlook.Application.release");
  if (c.kind != "create") {
    ASSERT_NE(app_release, calls.end());
    if (c.member != "CreateItem") EXPECT_LT(item_release, app_release);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, LauncherFailureTest,
    ::testing::Values(
        FailureCase{"NotInstalled", "create", "Outlook.Application", 429,
                    kNoMessage + "Sprawdź, czy program jest zainstalowany w systemie!", false},
        FailureCase{"CreateItemRefused", "call", "CreateItem", 287,
                    kNoMessage +
                        "Prawdopodobna przyczyna to wyłączony program MS Outlook lub problem z "
                        "dostępem do domyślnego konta pocztowego.",
                    false},
        FailureCase{"SubjectNegative", "put", "Subject", -2147, "Wystąpił błąd:\r\nopis błędu",
                    false},
        FailureCase{"BodyFails", "put", "Body", 440, "Wystąpił błąd:\r\nopis błędu", false},
        FailureCase{"AttachmentsOutside16Bits", "get", "Attachments",
                    static_cast<std::int32_t>(0x80080005), "Wystąpił błąd:\r\nopis błędu", false},
        FailureCase{"DisplayFails", "call", "Display", -32768, "Wystąpił błąd:\r\nopis błędu",
                    true},
        FailureCase{"AttachmentAddFails", "call", "Add", 287 + 65536,
                    "Wystąpił błąd:\r\nopis błędu", false},
        FailureCase{"RecipientsFailAfterDisplay", "get", "Recipients", 287,
                    kNoMessage +
                        "Prawdopodobna przyczyna to wyłączony program MS Outlook lub problem z "
                        "dostępem do domyślnego konta pocztowego.",
                    true}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(LauncherTest, RecipientRejectedAfterDisplayKeepsWhatWasSet) {
  // The second recipient fails: the first stays, the window was shown.
  fake.automation.FailCall(5, RunError(-1, "Outlook nie rozpoznaje nazwy"));
  EXPECT_EQ(Run("-to anna;jan;ewa"), kExitFailure);
  EXPECT_THAT(Steps(), HasSubstr("Wyświetlenie okna nowej wiadomości.\r\n"
                                 "Dodanie adresata: anna\r\n"
                                 "Dodanie adresata: jan\r\n"
                                 "\r\n\r\nWystąpił błąd (-1): Outlook nie rozpoznaje nazwy\r\n"));
  EXPECT_THAT(Steps(), Not(HasSubstr("ewa")));
  EXPECT_EQ(fake.automation.live_objects(), 0);
}

// Failures that are not the mail client's own numbers: what the server
// answered instead of an object, what the run itself could not do.
struct UnforeseenCase {
  const char* name;
  std::function<void(FakePlatform&)> arrange;
  std::string command_text;
  std::int32_t number;
  std::string description;
};

void PrintTo(const UnforeseenCase& c, std::ostream* out) { *out << c.name; }

class LauncherUnforeseenTest : public LauncherTest, public ::testing::WithParamInterface<UnforeseenCase> {};

TEST_P(LauncherUnforeseenTest, EndsInTheOneFailureReport) {
  const UnforeseenCase& c = GetParam();
  c.arrange(fake);
  EXPECT_EQ(Run(c.command_text), kExitFailure);
  const std::string tail = "\r\n\r\nWystąpił błąd (" + std::to_string(c.number) + "): " +
                           c.description + "\r\nProgram zakończony błędem.\r\n";
  EXPECT_THAT(Log(), ::testing::EndsWith(tail));
  ASSERT_EQ(fake.warning_box.shown.size(), 1u);
  EXPECT_EQ(fake.warning_box.shown[0].text, "Wystąpił błąd:\r\n" + c.description);
  EXPECT_EQ(fake.automation.live_objects(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Unforeseen, LauncherUnforeseenTest,
    ::testing::Values(
        UnforeseenCase{"CreateItemAnswersNoObject",
                       [](FakePlatform& f) { f.automation.AnswerNothing("CreateItem"); }, "-subject S",
                       424, "Wymagany obiekt: CreateItem nie zwróciło obiektu."},
        UnforeseenCase{"CopyAddAnswersNoObject", [](FakePlatform& f) { f.automation.AnswerNothing("Add"); },
                       "-cc ksiegowa", 424, "Wymagany obiekt: Recipients.Add nie zwróciło obiektu."},
        UnforeseenCase{"RecipientsAnswerNoObject",
                       [](FakePlatform& f) { f.automation.AnswerNothing("Recipients"); }, "-to anna", 424,
                       "Wymagany obiekt: Recipients nie zwróciło obiektu."},
        UnforeseenCase{"AttachmentsAnswerNoObject",
                       [](FakePlatform& f) {
                         f.files.Add("a.pdf", "1");
                         f.automation.AnswerNothing("Attachments");
                       },
                       "-attachment a.pdf", 424, "Wymagany obiekt: Attachments nie zwróciło obiektu."},
        UnforeseenCase{"SessionAnswersNoObject",
                       [](FakePlatform& f) { f.automation.AnswerNothing("Session"); }, "-from biuro", 424,
                       "Wymagany obiekt: Session nie zwróciło obiektu."},
        UnforeseenCase{"AccountCountIsNoNumber",
                       [](FakePlatform& f) { f.automation.SetValue("Accounts", "Count", "dwa"); },
                       "-from biuro", 13, "Niezgodność typów: Count nie zwróciło liczby."},
        UnforeseenCase{"TypeRefused",
                       [](FakePlatform& f) { f.automation.FailOn("put", "Type", RunError(13, "Type mismatch")); },
                       "-bcc szef", 13, "Type mismatch"},
        UnforeseenCase{"OutOfMemory",
                       [](FakePlatform& f) {
                         f.automation.ThrowOn("put", "Subject", std::make_exception_ptr(std::bad_alloc()));
                       },
                       "-subject S", 7, "Za mało pamięci."},
        UnforeseenCase{"OtherException",
                       [](FakePlatform& f) {
                         f.automation.ThrowOn("call", "Display", std::make_exception_ptr(std::runtime_error("zepsute")));
                       },
                       "-subject S", 51, "zepsute"},
        UnforeseenCase{"BodyFileCannotBeDeleted",
                       [](FakePlatform& f) {
                         f.files.Add("b.txt", "x");
                         f.files.Fail("remove", RunError(70, "Permission denied"));
                       },
                       "-bodyfile b.txt -bodyfiledelete 1", 70, "Permission denied"}),
    [](const ::testing::TestParamInfo<UnforeseenCase>& info) { return std::string(info.param.name); });

TEST_F(LauncherTest, ReleaseThatFailsAfterAFailureAddsNoSecondReport) {
  // A component that acts when released (the Linux mail client opens its
  // window then) fails there as well: the run still reports one failure.
  fake.automation.FailOn("call", "Add", RunError(-1, "zły adres"));
  fake.automation.FailRelease("Recipients", RunError(429, "nie można uruchomić programu"));
  EXPECT_EQ(Run("-to anna"), kExitFailure);
  ASSERT_EQ(fake.warning_box.shown.size(), 1u);
  EXPECT_EQ(fake.warning_box.shown[0].text, "Wystąpił błąd:\r\nzły adres");
  EXPECT_THAT(Log(), ::testing::EndsWith("Dodanie adresata: anna\r\n\r\n\r\nWystąpił błąd (-1): zły adres\r\n"
                                         "Program zakończony błędem.\r\n"));
  // The failing release let go of the rest all the same, the item before the application.
  EXPECT_EQ(fake.automation.live_objects(), 0);
  EXPECT_THAT(Calls(), ::testing::IsSupersetOf({"Recipients.release", "MailItem.release",
                                                "Outlook.Application.release"}));
}

TEST_F(LauncherTest, UnknownProgramPathMeansNoLogNotOneInTheRoot) {
  for (const char* path : {"", "Wrenpost.exe"}) {
    FakePlatform run;
    run.process.executable_path = path;
    run.process.command_text = "-subject S";
    EXPECT_EQ(RunLauncher(run.platform()), kExitSuccess) << path;
    EXPECT_FALSE(run.files.Has("\\Wrenpost.log")) << path;
    EXPECT_FALSE(run.files.Has("Wrenpost.log")) << path;
    EXPECT_THAT(run.automation.DescribedCalls(), ::testing::Contains("MailItem.put Subject(\"S\")"));
  }
}

TEST(FailureBoxText, OnlyTheWholeNumbers287And429GetTheirOwnText) {
  EXPECT_THAT(FailureBoxText(287, "d"), HasSubstr("Prawdopodobna przyczyna"));
  EXPECT_THAT(FailureBoxText(429, "d"), HasSubstr("Sprawdź, czy program"));
  // 0x800A011F narrowed to 16 bits would read 287; it must not.
  EXPECT_EQ(FailureBoxText(static_cast<std::int32_t>(0x800A011F), "d"), "Wystąpił błąd:\r\nd");
  EXPECT_EQ(FailureBoxText(429 - 65536, "d"), "Wystąpił błąd:\r\nd");
  EXPECT_EQ(FailureBoxText(287, "d", "Evolution"),
            "Nie można utworzyć nowej wiadomości w programie Evolution.\r\nPrawdopodobna przyczyna to wyłączony "
            "program Evolution lub problem z dostępem do domyślnego konta pocztowego.");
  EXPECT_EQ(FailureBoxText(287, "d", ""),
            "Nie można utworzyć nowej wiadomości w programie pocztowym.\r\nPrawdopodobna przyczyna to wyłączony "
            "program pocztowy lub problem z dostępem do domyślnego konta pocztowego.");
}

TEST(ReportFailure, LogsTheWholeNumberInSignedDecimal) {
  FakeFileSystem files;
  RecordingWarningBox box;
  const RunLog log(files, "w.log");
  ReportFailure(RunError(static_cast<std::int32_t>(0x80080005), "Server execution failed"), log, box);
  EXPECT_EQ(files.Content("w.log"),
            "\r\n\r\nWystąpił błąd (-2146959355): Server execution failed\r\n"
            "Program zakończony błędem.\r\n");
}

TEST_F(LauncherTest, LogThatCannotBeWrittenDoesNotChangeTheRun) {
  fake.files.Fail("append", RunError(75, "Path/File access error"));
  EXPECT_EQ(Run("-to anna -subject x"), kExitSuccess);
  FakePlatform writable;
  writable.process.command_text = "-to anna -subject x";
  RunLauncher(writable.platform());
  EXPECT_EQ(Calls(), writable.automation.DescribedCalls());
  EXPECT_FALSE(fake.files.Has(kLogPath));
}

// Which mail client a run reaches: Outlook through automation, or a client
// that takes the whole draft and is named in the log.
struct RouteCase {
  const char* name;
  std::string client_option;  // appended as "-client X" when not empty
  ClientName default_choice;
  bool outlook_registered;
  std::vector<ClientName> clients_found;  // what FakeMailClients can find
  bool via_outlook;
  std::vector<ClientName> asked;  // the names Find was asked for
  std::string client_entry;       // the log line after "Parametry: " ("" for none)
  std::int32_t failure;           // 0: the run succeeds
  std::string box_line = {};      // the failure box's first line
};

void PrintTo(const RouteCase& c, std::ostream* out) { *out << c.name; }

class LauncherRouteTest : public LauncherTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(LauncherRouteTest, ReachesTheClientItShould) {
  const RouteCase& c = GetParam();
  fake.mail_clients.default_choice = c.default_choice;
  if (!c.outlook_registered) fake.automation.NotInstalled();
  for (const ClientName found : c.clients_found) fake.mail_clients.clients[found] = {"Poczta " + std::string(ClientNameText(found))};
  const std::string option = c.client_option.empty() ? "" : " -client " + c.client_option;
  EXPECT_EQ(Run("-to anna -subject S" + option), c.failure == 0 ? kExitSuccess : kExitFailure);
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Outlook.Application.call CreateItem(0i2)"), c.via_outlook ? 1 : 0);
  EXPECT_EQ(fake.mail_clients.asked, c.asked);
  const std::string parameters = "Parametry: -to anna -subject S" + option + "\r\n";
  if (c.failure != 0) {
    EXPECT_THAT(Log(), HasSubstr(parameters + c.client_entry + "\r\n\r\nWystąpił błąd (" + std::to_string(c.failure) + "): "));
    EXPECT_THAT(fake.mail_clients.opened, IsEmpty());
    ASSERT_EQ(fake.warning_box.shown.size(), 1u);
    EXPECT_THAT(fake.warning_box.shown[0].text, ::testing::StartsWith(c.box_line + "\r\n"));
    return;
  }
  EXPECT_THAT(Log(), HasSubstr(parameters + c.client_entry + "Dodanie tematu: S\r\n"));
  EXPECT_EQ(fake.mail_clients.opened.size(), c.via_outlook ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, LauncherRouteTest,
    ::testing::Values(
        RouteCase{"OutlookByDefault", "", ClientName::kOutlook, true, {ClientName::kAuto}, true, {}, "", 0},
        RouteCase{"NoOutlookIs429WithoutAskingForAnother", "", ClientName::kOutlook, false, {ClientName::kAuto}, false,
                  {}, "", 429, "Nie można utworzyć nowej wiadomości w MS Outlook."},
        RouteCase{"AutoPrefersAnOutlookThatIsThere", "auto", ClientName::kOutlook, true, {ClientName::kAuto}, true, {},
                  "", 0},
        RouteCase{"AutoFallsBackToTheDefaultClient", "AUTO", ClientName::kOutlook, false, {ClientName::kAuto}, false,
                  {ClientName::kAuto}, "Program pocztowy: Poczta auto\r\n", 0},
        RouteCase{"AutoWithoutAnyClientIs429", "auto", ClientName::kOutlook, false, {}, false, {ClientName::kAuto}, "",
                  429, "Nie można utworzyć nowej wiadomości w programie pocztowym."},
        RouteCase{"NamedClientMissingIs429NamingIt", "claws-mail", ClientName::kOutlook, true, {ClientName::kAuto},
                  false, {ClientName::kClawsMail}, "", 429,
                  "Nie można utworzyć nowej wiadomości w programie Claws Mail."},
        RouteCase{"DesktopDefaultIsAuto", "", ClientName::kAuto, false, {ClientName::kAuto}, false, {ClientName::kAuto},
                  "Program pocztowy: Poczta auto\r\n", 0},
        RouteCase{"NamedClientSkipsOutlook", "kmail", ClientName::kOutlook, true, {ClientName::kKmail}, false,
                  {ClientName::kKmail}, "Program pocztowy: Poczta kmail\r\n", 0},
        RouteCase{"OutlookNamedOnTheDesktop", "outlook", ClientName::kAuto, false, {ClientName::kAuto}, false, {}, "",
                  429, "Nie można utworzyć nowej wiadomości w MS Outlook."},
        RouteCase{"UnknownNameIsRefusedBeforeAnyClient", "\"pegasus\"", ClientName::kOutlook, true, {ClientName::kAuto},
                  false, {}, "", 5, "Wystąpił błąd:"}),
    [](const ::testing::TestParamInfo<RouteCase>& info) { return std::string(info.param.name); });

TEST_F(LauncherTest, DraftClientGetsTheWholeMessageAndSaysHowItTookTheSender) {
  fake.mail_clients.default_choice = ClientName::kAuto;
  fake.automation.NotInstalled();
  fake.mail_clients.clients[ClientName::kAuto] = {"Geary", {SenderChoice::Kind::kNotChosen, {}, "Geary nie wybiera konta"}};
  fake.files.working_folder = "/praca";
  fake.files.Add("a.pdf", "1");
  EXPECT_EQ(Run("-from biuro@firma.pl -signature 1 -html 1 -body <p>x</p> -to anna;jan -cc ewa -bcc szef "
                "-subject S -attachment a.pdf;brak.pdf"),
            kExitSuccess);
  ASSERT_EQ(fake.mail_clients.opened.size(), 1u);
  const MessageDraft& draft = fake.mail_clients.opened[0];
  EXPECT_THAT(draft.to, ElementsAre("anna", "jan"));
  EXPECT_THAT(draft.cc, ElementsAre("ewa"));
  EXPECT_THAT(draft.bcc, ElementsAre("szef"));
  EXPECT_EQ(draft.subject, "S");
  EXPECT_EQ(draft.body, "<p>x</p>");  // the client adds the signature itself: nothing around the body
  EXPECT_TRUE(draft.html);
  EXPECT_EQ(draft.from, "");
  EXPECT_THAT(draft.attachments, ElementsAre("/praca\\a.pdf"));
  EXPECT_EQ(Steps(), "Program pocztowy: Geary\r\n"
                     "Nadawca nie został wybrany: biuro@firma.pl (Geary nie wybiera konta)\r\n"
                     "Dodanie tematu: S\r\n"
                     "Dodanie załącznika: a.pdf\r\n"
                     "Plik brak.pdf nie istnieje!\r\n"
                     "Wyświetlenie okna nowej wiadomości.\r\n"
                     "Dodanie treści html: <p>x</p>\r\n"
                     "Dodanie adresata: anna\r\n"
                     "Dodanie adresata: jan\r\n"
                     "Dodanie adresata DW: ewa\r\n"
                     "Dodanie adresata UDW: szef\r\n"
                     "Koniec programu.\r\n");
}

TEST_F(LauncherTest, DraftClientGetsTheIdentityItsAccountWasChosenBy) {
  fake.mail_clients.default_choice = ClientName::kAuto;
  fake.automation.NotInstalled();
  fake.mail_clients.clients[ClientName::kAuto] = {"Thunderbird", {SenderChoice::Kind::kAccount, {}, {}, "id2"}};
  EXPECT_EQ(Run("-from Biuro -to anna"), kExitSuccess);
  ASSERT_EQ(fake.mail_clients.opened.size(), 1u);
  EXPECT_EQ(fake.mail_clients.opened[0].sender_identity, "id2");
  EXPECT_EQ(fake.mail_clients.opened[0].from, "");
  EXPECT_THAT(Steps(), ::testing::StartsWith("Program pocztowy: Thunderbird\r\nKonto nadawcy: Biuro\r\n"));
}

TEST_F(LauncherTest, DraftClientThatCannotOpenGivesTheOneReport) {
  fake.mail_clients.default_choice = ClientName::kAuto;
  fake.automation.NotInstalled();
  fake.mail_clients.clients[ClientName::kAuto] = {"Thunderbird (snap)",
                                                  {SenderChoice::Kind::kAccount, "biuro@firma.pl", {}},
                                                  RunError(429, "Error: no DISPLAY environment variable specified")};
  EXPECT_EQ(Run("-from Biuro -to anna"), kExitFailure);
  EXPECT_THAT(Steps(), ::testing::StartsWith("Program pocztowy: Thunderbird (snap)\r\nKonto nadawcy: Biuro\r\n"));
  EXPECT_THAT(Log(), ::testing::EndsWith("Dodanie adresata: anna\r\n\r\n\r\nWystąpił błąd (429): Error: no DISPLAY "
                                         "environment variable specified\r\nProgram zakończony błędem.\r\n"));
  ASSERT_EQ(fake.warning_box.shown.size(), 1u);
  // The box names the client that was used, without the way it was reached.
  EXPECT_EQ(fake.warning_box.shown[0].text,
            "Nie można utworzyć nowej wiadomości w programie Thunderbird.\r\nSprawdź, czy program jest zainstalowany "
            "w systemie!");
}

TEST_F(LauncherTest, TemplateFoundLikeAnAttachmentIsWhereOutlookStartsTheMessage) {
  fake.files.working_folder = "C:\\Praca";
  fake.files.Add("oferta.oft", "szablon");
  EXPECT_EQ(Run("-template oferta.oft -subject S"), kExitSuccess);
  EXPECT_THAT(Calls(), ElementsAre(".create Outlook.Application",
                                   "Outlook.Application.call CreateItemFromTemplate(\"C:\\Praca\\oferta.oft\")",
                                   "MailItem.put Subject(\"S\")", "MailItem.foreground", "MailItem.call Display()",
                                   "MailItem.release", "Outlook.Application.release"));
  EXPECT_EQ(Steps(), "Szablon wiadomości: oferta.oft\r\nDodanie tematu: S\r\n"
                     "Wyświetlenie okna nowej wiadomości.\r\nKoniec programu.\r\n");
}

// A template that cannot be used ends the run before anything opens and
// before the body file goes: one not there (53, before any mail client is
// asked), or a mail client other than Outlook, which cannot start from one.
struct TemplateRefusalCase {
  std::string template_path;
  std::string client_option;
  bool outlook_registered;
  std::int32_t number;
  std::string description;
};

TEST_F(LauncherTest, TemplateThatCannotBeUsedOpensNothing) {
  for (const TemplateRefusalCase& c :
       {TemplateRefusalCase{"C:\\brak.oft", "", true, 53, "Nie znaleziono pliku szablonu: C:\\brak.oft"},
        TemplateRefusalCase{"C:\\oferta.oft", " -client kmail", true, 5,
                            "Wiadomość z szablonu MS Outlook (-template) otworzy tylko MS Outlook, a wybrano "
                            "program pocztowy kmail."},
        TemplateRefusalCase{"C:\\oferta.oft", " -client auto", false, 5,
                            "Wiadomość z szablonu MS Outlook (-template) otworzy tylko MS Outlook, którego nie ma "
                            "w systemie."}}) {
    SCOPED_TRACE(c.template_path + c.client_option);
    FakePlatform run;
    run.files.Add("C:\\oferta.oft", "szablon");
    run.files.Add("b.txt", "treść");
    if (!c.outlook_registered) run.automation.NotInstalled();
    run.mail_clients.clients[ClientName::kAuto] = {"Poczta"};
    run.mail_clients.clients[ClientName::kKmail] = {"KMail"};
    run.process.command_text = "-template " + c.template_path + c.client_option + " -bodyfile b.txt -bodyfiledelete 1";
    EXPECT_EQ(RunLauncher(run.platform()), kExitFailure);
    EXPECT_THAT(run.files.Content(kLogPath),
                ::testing::EndsWith("\r\nSzablon wiadomości: " + c.template_path + "\r\n\r\n\r\nWystąpił błąd (" +
                                    std::to_string(c.number) + "): " + c.description +
                                    "\r\nProgram zakończony błędem.\r\n"));
    EXPECT_TRUE(run.files.Has("b.txt")) << "the body file went before the refusal";
    EXPECT_THAT(run.automation.DescribedCalls(), Not(::testing::Contains(HasSubstr("CreateItem"))));
    EXPECT_THAT(run.mail_clients.asked, IsEmpty());
    EXPECT_THAT(run.mail_clients.opened, IsEmpty());
  }
}

TEST_F(LauncherTest, DraftClientGetsAPlainBodyUnderSignatureAlone) {
  fake.mail_clients.default_choice = ClientName::kAuto;
  fake.automation.NotInstalled();
  fake.mail_clients.clients[ClientName::kAuto] = {"Thunderbird"};
  EXPECT_EQ(Run("-signature 1 -body tekst"), kExitSuccess);
  ASSERT_EQ(fake.mail_clients.opened.size(), 1u);
  EXPECT_EQ(fake.mail_clients.opened[0].body, "tekst");
  EXPECT_FALSE(fake.mail_clients.opened[0].html);
}

}  // namespace
}  // namespace wrenpost
