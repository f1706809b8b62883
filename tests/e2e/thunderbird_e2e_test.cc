// The built POSIX program with stand-in `thunderbird`, `zenity` and `kdialog`
// scripts on PATH. The stand-ins record their arguments; the tests read the
// "-compose" text back the way Thunderbird does and check every field.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "tests/e2e/client_models.h"
#include "tests/e2e/compose_decoder.h"
#include "tests/e2e/e2e_harness.h"

namespace wrenpost::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using wrenpost::testing::AttachmentPaths;

// Records its arguments, then makes the exit it is told to make.
std::string RecordingTool(const fs::path& record, const std::string& ending = "exit 0") {
  return RecordArgumentsIn(record) + ending + "\n";
}

struct ThunderbirdEndToEnd : ::testing::Test, ThunderbirdSandbox {};

TEST_F(ThunderbirdEndToEnd, TypicalRunOpensTheComposeWindowWithEverything) {
  InstallThunderbird();
  WriteFile(sandbox / "b.html", "<p>Oferta</p>\r\n<p>w załączniku</p>\r\n");
  WriteFile(sandbox / "f.pdf", "%PDF");
  const RunResult run = RunProgram(
      program,
      {"-to", "anna@firma.pl;jan@firma.pl", "-subject", "Oferta", "-bodyfile", (sandbox / "b.html").string(),
       "-html", "1", "-attachment", (sandbox / "f.pdf").string()},
      Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_THAT(ReadFile(log), EndsWith("Dodanie adresata: jan@firma.pl\r\nKoniec programu.\r\n"));

  const auto fields = ComposeFields();
  EXPECT_EQ(fields.at("to"), "anna@firma.pl,jan@firma.pl");
  EXPECT_EQ(fields.at("subject"), "Oferta");
  EXPECT_EQ(fields.at("format"), "html");
  EXPECT_THAT(AttachmentPaths(fields.at("attachment")), ElementsAre((sandbox / "f.pdf").string()));
  EXPECT_EQ(fields.size(), 5u);

  // The body: in a private file that Thunderbird could read, and that stays for it.
  const fs::path message = fields.at("message");
  EXPECT_EQ(message.parent_path(), body_folder);
  EXPECT_THAT(message.filename().string(), StartsWith("wrenpost-body-"));
  EXPECT_EQ(message.extension(), ".html");
  EXPECT_EQ(ReadFile(seen / "body"), ReadFile(message));
  EXPECT_THAT(ReadFile(message), HasSubstr("<p>Oferta</p>"));
  EXPECT_EQ(fs::status(message).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(body_folder).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(ThunderbirdEndToEnd, PlainBodyAndPolishLettersArriveExactly) {
  InstallThunderbird();
  const std::string subject = "Zażółć gęślą jaźń – „Oferta” 100%";
  const std::string body = "Dzień dobry, Pani Ewo!\nŁączę pozdrowienia, ĄĘŚĆŹŻŃÓŁ.";
  const RunResult run = RunProgram(program, {"-to", "ewa@łódź.pl", "-subject", subject, "-body", body}, Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  const auto fields = ComposeFields();
  EXPECT_EQ(fields.at("to"), "ewa@łódź.pl");
  EXPECT_EQ(fields.at("subject"), subject);
  EXPECT_EQ(fields.at("format"), "text");
  EXPECT_EQ(fs::path(fields.at("message")).extension(), ".txt");
  EXPECT_EQ(ReadFile(seen / "body"), body);
  EXPECT_EQ(fields.count("attachment"), 0u);
}

TEST_F(ThunderbirdEndToEnd, ASenderWithoutAProfileIsNotChosenAndTheSignaturedBodyComesAfterTheWindow) {
  InstallThunderbird();
  const RunResult run = RunProgram(
      program, {"-from", "Biuro <biuro@firma.pl>", "-signature", "1", "-html", "1", "-body", "<p>x</p>", "-to", "anna"},
      Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  // No profile lists an identity here: Thunderbird keeps its default one.
  EXPECT_THAT(ReadFile(log), EndsWith("Nadawca nie został wybrany: Biuro <biuro@firma.pl> (nie znaleziono kont "
                                      "programu Thunderbird)\r\n"
                                      "Wyświetlenie okna nowej wiadomości.\r\n"
                                      "Dodanie treści html: <p>x</p>\r\n"
                                      "Dodanie adresata: anna\r\nKoniec programu.\r\n"));
  const auto fields = ComposeFields();
  EXPECT_EQ(fields.count("from") + fields.count("preselectid"), 0u);
  EXPECT_EQ(fields.at("format"), "html");
  EXPECT_EQ(ReadFile(seen / "body"), "<p>x</p>");
}

TEST_F(ThunderbirdEndToEnd, AttachmentsWithAwkwardNamesArriveAsTheFilesFound) {
  InstallThunderbird();
  fs::create_directories(sandbox / "docs");
  const std::vector<std::string> names = {"a b.pdf", "c,d.pdf", "e'f\"g.pdf", "h=i.pdf", "100%.pdf",
                                          "Łódź, „raport”.pdf", "x,attachment=%2Fetc%2Fpasswd.pdf"};
  std::string list;
  std::vector<std::string> expected;
  for (const std::string& name : names) {
    WriteFile(sandbox / "docs" / name, name);
    list += (sandbox / "docs" / name).string() + ";";
    expected.push_back((sandbox / "docs" / name).string());
  }
  WriteFile(sandbox / "docs" / "raport-2024.txt", "r");
  list += "docs/raport-*.txt;";  // relative, with a wildcard: taken from the working folder
  expected.push_back((sandbox / "docs" / "raport-2024.txt").string());
  list += (sandbox / "docs" / "brak.pdf").string();  // missing: logged and skipped

  RunOptions options = Options();
  options.working_folder = sandbox.dir();
  const RunResult run = RunProgram(program, {"-attachment", list}, options);
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_THAT(ReadFile(log), HasSubstr("nie istnieje!"));
  const auto fields = ComposeFields();
  EXPECT_EQ(AttachmentPaths(fields.at("attachment")), expected);
  EXPECT_EQ(fields.at("to"), "");
  EXPECT_EQ(fields.count("message"), 0u);  // no body, no body file
  EXPECT_FALSE(fs::exists(body_folder));
}

TEST_F(ThunderbirdEndToEnd, CraftedSubjectAndAddressStayPlainText) {
  InstallThunderbird();
  WriteFile(sandbox / "f.pdf", "%PDF");
  const std::string subject = "x\",attachment=/etc/passwd,subject=\"y',attachment='/etc/shadow";
  const std::string address = "eve@zla.pl',attachment='/etc/passwd,to=eve@zla.pl";
  for (const bool with_attachment : {false, true}) {
    SCOPED_TRACE(with_attachment ? "with an attachment" : "without attachments");
    fs::remove(seen / "done");
    std::vector<std::string> args = {"-to", address, "-subject", subject};
    if (with_attachment) args.insert(args.end(), {"-attachment", (sandbox / "f.pdf").string()});
    const RunResult run = RunProgram(program, args, Options());
    EXPECT_EQ(run.exit_code, 0) << run.std_err;
    const auto fields = ComposeFields();
    EXPECT_EQ(fields.at("subject"), subject);
    EXPECT_THAT(testing::ParseAddressList(fields.at("to"), true), ElementsAre(address));  // one address, as typed
    if (with_attachment) {
      EXPECT_THAT(AttachmentPaths(fields.at("attachment")), ElementsAre((sandbox / "f.pdf").string()));
    } else {
      EXPECT_EQ(fields.count("attachment"), 0u);
    }
    EXPECT_EQ(fields.size(), with_attachment ? 3u : 2u);
  }
}

TEST_F(ThunderbirdEndToEnd, OldBodyFilesGoButTheNewOneStays) {
  InstallThunderbird();
  fs::create_directories(body_folder);
  fs::permissions(body_folder, fs::perms::owner_all, fs::perm_options::replace);
  WriteFile(body_folder / "wrenpost-body-stary.txt", "stary");
  fs::last_write_time(body_folder / "wrenpost-body-stary.txt",
                      fs::file_time_type::clock::now() - std::chrono::hours(30));
  WriteFile(body_folder / "wrenpost-body-wczorajszy.txt", "świeży");
  const RunResult run = RunProgram(program, {"-body", "nowy"}, Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  const auto fields = ComposeFields();
  EXPECT_FALSE(fs::exists(body_folder / "wrenpost-body-stary.txt"));
  EXPECT_TRUE(fs::exists(body_folder / "wrenpost-body-wczorajszy.txt"));
  EXPECT_EQ(ReadFile(fields.at("message")), "nowy");

  // A later run without a body cleans up too, and leaves the fresh files.
  fs::last_write_time(body_folder / "wrenpost-body-wczorajszy.txt",
                      fs::file_time_type::clock::now() - std::chrono::hours(25));
  fs::remove(seen / "done");
  EXPECT_EQ(RunProgram(program, {"-subject", "bez treści"}, Options()).exit_code, 0);
  EXPECT_EQ(ComposeFields().count("message"), 0u);
  EXPECT_FALSE(fs::exists(body_folder / "wrenpost-body-wczorajszy.txt"));
  EXPECT_TRUE(fs::exists(fields.at("message")));
}

TEST_F(ThunderbirdEndToEnd, ABodyFolderOthersCanEnterIsRefused) {
  InstallThunderbird();
  fs::create_directories(body_folder);
  fs::permissions(body_folder, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::replace);
  const RunResult run = RunProgram(program, {"-subject", "x", "-body", "tajne"}, Options());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(ReadFile(log), HasSubstr("Wystąpił błąd (13): Folder " + body_folder.string() +
                                       " nie jest prywatnym folderem użytkownika"));
  EXPECT_THAT(run.std_err, HasSubstr("Wystąpił błąd:\nFolder "));
  EXPECT_TRUE(fs::is_empty(body_folder));
  EXPECT_FALSE(fs::exists(seen / "argv"));  // Thunderbird was never started
}

TEST_F(ThunderbirdEndToEnd, AThunderbirdThatCannotStartIsReportedWithTheSystemsNumber) {
  sandbox.WriteScript(bin / "thunderbird", "exit 0\n");
  WriteFile(bin / "thunderbird", "#!/nonexistent/interpreter\n");
  const RunResult run = RunProgram(program, {"-subject", "x", "-body", "treść"}, Options());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(ReadFile(log), HasSubstr("Wyświetlenie okna nowej wiadomości.\r\n\r\n\r\nWystąpił błąd (2): "
                                       "No such file or directory: nie można uruchomić programu " +
                                       (bin / "thunderbird").string() + "\r\nProgram zakończony błędem.\r\n"));
  EXPECT_THAT(run.std_err, HasSubstr("Wystąpił błąd:\nNo such file or directory: "));
  EXPECT_TRUE(fs::is_empty(body_folder));  // nobody will read it now
}

// Its -compose would open no window and its launcher would still end well.
TEST_F(ThunderbirdEndToEnd, AProfileWithoutAnAccountIs429BeforeThunderbirdStarts) {
  InstallThunderbird();
  fs::create_directories(home / ".thunderbird/a.default");
  WriteFile(home / ".thunderbird/profiles.ini", "[Profile0]\nName=default\nIsRelative=1\nPath=a.default\n");
  WriteFile(home / ".thunderbird/a.default/prefs.js",
            "user_pref(\"mail.accountmanager.accounts\", \"account1\");\n"
            "user_pref(\"mail.account.account1.server\", \"server1\");\n"
            "user_pref(\"mail.server.server1.type\", \"none\");\n");
  const RunResult run = RunProgram(program, {"-to", "anna", "-body", "treść"}, Options());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(ReadFile(log), HasSubstr("Wystąpił błąd (429): Program Thunderbird nie ma jeszcze konta pocztowego "
                                       "(profil " + (home / ".thunderbird/a.default").string() + ")"));
  EXPECT_FALSE(fs::exists(seen / "argv"));
  EXPECT_FALSE(fs::exists(body_folder));
}

TEST_F(ThunderbirdEndToEnd, NoThunderbirdShows429InTheDesktopDialog) {
  sandbox.WriteScript(bin / "zenity", RecordingTool(sandbox / "zenity-argv"));
  const RunResult run = RunProgram(program, {"-to", "anna"}, Options(/*display=*/true));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(ReadFile(log), HasSubstr("Wystąpił błąd (429): "));
  EXPECT_THAT(RecordedArguments(sandbox / "zenity-argv"),
              ElementsAre("--warning", "--no-markup", "--title=Wrenpost",
                          "--text=Nie można utworzyć nowej wiadomości w programie pocztowym.\n"
                          "Sprawdź, czy program jest zainstalowany w systemie!"));
  EXPECT_EQ(run.std_err, "");
}

TEST_F(ThunderbirdEndToEnd, ADialogToolThatFailsGivesWayToTheNext) {
  sandbox.WriteScript(bin / "zenity", RecordingTool(sandbox / "zenity-argv", "kill -9 $$"));
  sandbox.WriteScript(bin / "kdialog", RecordingTool(sandbox / "kdialog-argv"));
  const RunResult run = RunProgram(program, {}, Options(/*display=*/true));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(fs::exists(sandbox / "zenity-argv"));
  EXPECT_THAT(RecordedArguments(sandbox / "kdialog-argv"),
              ElementsAre("--title", "Wrenpost", "--sorry",
                          "Nie można utworzyć nowej wiadomości w programie pocztowym.\n"
                          "Sprawdź, czy program jest zainstalowany w systemie!"));
  EXPECT_EQ(run.std_err, "");
}

TEST_F(ThunderbirdEndToEnd, WithoutADisplayTheBoxGoesToStandardError) {
  sandbox.WriteScript(bin / "zenity", RecordingTool(sandbox / "zenity-argv"));
  const RunResult with_tool_failing = [&] {
    sandbox.WriteScript(bin / "kdialog", RecordingTool(sandbox / "kdialog-argv", "exit 255"));
    return RunProgram(program, {}, Options(/*display=*/false));
  }();
  EXPECT_EQ(with_tool_failing.exit_code, 1);
  EXPECT_FALSE(fs::exists(sandbox / "zenity-argv"));
  EXPECT_EQ(with_tool_failing.std_err,
            "Wrenpost: \u26A0 Nie można utworzyć nowej wiadomości w programie pocztowym.\n"
            "Sprawdź, czy program jest zainstalowany w systemie!\n[OK]\n");

  // A display, but every tool fails: the console still carries the box.
  fs::remove(bin / "zenity");
  const RunResult all_failing = RunProgram(program, {}, Options(/*display=*/true));
  EXPECT_TRUE(fs::exists(sandbox / "kdialog-argv"));
  EXPECT_THAT(all_failing.std_err, HasSubstr("Sprawdź, czy program jest zainstalowany w systemie!\n[OK]\n"));
}

}  // namespace
}  // namespace wrenpost::e2e
