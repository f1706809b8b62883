// End-to-end tests of the Windows build: the real Wrenpost.exe under Wine,
// talking to an out-of-process automation server registered as
// "Outlook.Application", its message boxes read from the screen.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "wine_session.h"

namespace wrenpost::wine_test {
namespace {

using Lines = std::vector<std::string>;

const std::string kCannotCreate = "Nie można utworzyć nowej wiadomości w MS Outlook.";
const std::string kBox287 = kCannotCreate +
                            "\\r\\nPrawdopodobna przyczyna to wyłączony program MS Outlook lub "
                            "problem z dostępem do domyślnego konta pocztowego.";
const std::string kBox429 = kCannotCreate + "\\r\\nSprawdź, czy program jest zainstalowany w systemie!";

// A quoted text as the fake server records it (backslashes doubled).
std::string Escaped(const std::string& text);
std::string Bstr(const std::string& text) { return "VT_BSTR:\"" + Escaped(text) + "\""; }

// A text as the helpers' reports escape it (backslashes and quotes).
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

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
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_FALSE(run.timed_out);
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
                           "release Attachment",
                           "release Attachments",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "release Recipient",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
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
                           "release Attachment",
                           "release Attachments",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD " + Bstr("Łucja.Żak@przykład.pl"),
                           "release Recipient",
                           "release Recipients",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD " + Bstr("Józef"),
                           "release Recipient",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
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
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Attachments PROPERTYGET",
                           "Attachments.Add METHOD " + Bstr(pdfs),
                           "release Attachment",
                           "release Attachments",
                           "MailItem.Attachments PROPERTYGET",
                           "Attachments.Add METHOD " + Bstr(shown),
                           "release Attachment",
                           "release Attachments",
                           "MailItem.Display METHOD",
                           "release MailItem",
                           "release Application",
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
  // A file used as a folder: the lookup fails (Wine: 123, an invalid name)
  // instead of finding nothing.
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
                           "release Attachment",
                           "release Attachments",
                           "release MailItem",
                           "release Application",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -attachment " + c.WinPath("oferta.pdf") + ";" + bad +
                         " -to anna\r\n"
                         "Dodanie załącznika: " + c.WinPath("oferta.pdf") + "\r\n"
                         "\r\n\r\n"
                         "Wystąpił błąd (123): " + description + ": " + bad + "\r\n"
                         "Program zakończony błędem.\r\n");
}

TEST_F(WineSuite, Failure287NamesTheLikelyCauses) {
  WineCase c("Failure287");
  c.SetFailures("Application.CreateItem exception 0 0x800A011F Nie można utworzyć elementu.\n");
  const RunResult run = c.Run("-to anna -subject Oferta");
  ExpectWarningBox(run, kBox287);
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "  failed as asked",
                           "release Application",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -to anna -subject Oferta\r\n"
                         "\r\n\r\n"
                         "Wystąpił błąd (287): Nie można utworzyć elementu.\r\n"
                         "Program zakończony błędem.\r\n");
}

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

TEST_F(WineSuite, ElevationMismatchKeepsTheWholeNumber) {
  WineCase c("Elevation");
  c.SetFailures("ClassFactory.CreateInstance hresult 0x80080005\n");
  const RunResult run = c.Run("-subject Oferta");
  ASSERT_EQ(run.boxes.size(), 1u);
  const std::string& text = run.boxes[0].text;
  ASSERT_EQ(text.rfind("Wystąpił błąd:\\r\\n", 0), 0u) << text;
  const std::string description = text.substr(std::string("Wystąpił błąd:\\r\\n").size());
  EXPECT_FALSE(description.empty());
  ExpectWarningBox(run, "Wystąpił błąd:\\r\\n" + description);
  EXPECT_EQ(c.Calls(), (Lines{"ClassFactory.CreateInstance", "  failed as asked", "exit objects=0"}));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: -subject Oferta\r\n"
                         "\r\n\r\n"
                         "Wystąpił błąd (-2146959355): " + description + "\r\n"
                         "Program zakończony błędem.\r\n");
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
                           "release Recipient",
                           "release Recipients",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD " + Bstr("zły adres"),
                           "  failed as asked",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
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
                         "Wystąpił błąd (5): " + description + ": " + path + "\r\n"
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
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"Oferta\"",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "release Recipient",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), "stare wpisy\r\n");
}

TEST_F(WineSuite, VersionRecordNamesTheProgram) {
  WineCase c("Version");
  ASSERT_EQ(WineCase::Wine({"C:\\wrenpost-tools\\wine_runner.exe", "version", c.ExeWinPath(),
                            c.WinPath("version.txt")}),
            0);
  std::ifstream in(c.UnixPath("version.txt"));
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all,
            "fixed=1.6.0.0\n"
            "translation=041504B0\n"
            "FileDescription=Uruchomienie nowej wiadomości w MS Outlook z polami \\\"do\\\", "
            "\\\"temat\\\", \\\"treść\\\" i załączniki\n"
            "FileVersion=1.06\n"
            "InternalName=Wrenpost\n"
            "OriginalFilename=Wrenpost.exe\n"
            "ProductName=Wrenpost\n"
            "ProductVersion=1.06\n");
}

}  // namespace
}  // namespace wrenpost::wine_test
