// The built program on a Linux desktop of the sandbox's own: the mailto:
// default as the desktop finds it (mimeapps.list, defaults.list, the desktop
// files' associations), a default that takes only a link, -client, a Thunderbird in a
// stand-in snap or flatpak that sees only part of the files, and clients that
// fail to start, hand over to a running instance or keep running.
#include <signal.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/e2e/client_models.h"
#include "tests/e2e/compose_decoder.h"
#include "tests/e2e/e2e_harness.h"

namespace wrenpost::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using wrenpost::testing::AttachmentPaths;

fs::perms Mode(const fs::path& path) { return fs::status(path).permissions() & fs::perms::all; }

struct LinuxDesktop : ::testing::Test, ThunderbirdSandbox {
  // A stand-in program elsewhere than on PATH, recording into seen/ like the others.
  fs::path Elsewhere(const std::string& name, const std::string& ending = "") const {
    const fs::path path = sandbox / "opt" / name;
    InstallStandIn(path, ending);
    return path;
  }
  std::string Log() const { return ReadFile(log); }
};

TEST_F(LinuxDesktop, TheMailtoDefaultDecidesAndPathIsTheFallback) {
  InstallThunderbird();  // on PATH: the fallback
  const std::string betterbird = Elsewhere("betterbird").string();
  WriteDesktopFile("betterbird.desktop", betterbird + " %u");
  WriteDesktopFile("org.example.Mailer.desktop", (sandbox / "opt/betterbird").string() + "-not-there %u");
  // Installed, handles mailto: links only when a list says so; no client this program drives.
  WriteFile(applications / "pl.example.Notes.desktop",
            "[Desktop Entry]\nType=Application\nName=Notatki\nExec=" + Elsewhere("notes").string() +
                " --new %u\n");
  struct Case {
    std::string name;
    std::string user_list, desktop_list, system_list;  // mimeapps.list texts
    std::string expected;                              // the log line's client
    std::string other_list;                            // a file of its own
  };
  // The desktop files' MimeType associations, as update-desktop-database indexes them for GIO.
  WriteFile(applications / "mimeinfo.cache", "[MIME Cache]\nx-scheme-handler/mailto=betterbird.desktop;\n");
  const Case cases[] = {
      {"the first installed of the list",
       "missing.desktop;org.example.Mailer.desktop;pl.example.Notes.desktop;betterbird.desktop;", "", "",
       "Notatki (mailto:)"},
      {"the desktop's own list first", "pl.example.Notes.desktop", "betterbird.desktop", "", "Betterbird"},
      {"the system's list when the user has none", "", "", "pl.example.Notes.desktop", "Notatki (mailto:)"},
      {"a removed association is none: PATH", "", "", "", "Thunderbird",
       "[Removed Associations]\nx-scheme-handler/mailto=betterbird.desktop;\n"},
      {"a default this program does not drive gets a link", "pl.example.Notes.desktop;betterbird.desktop", "", "",
       "Notatki (mailto:)"},
      {"no list: the desktop files' associations", "", "", "", "Betterbird"},
      {"defaults.list", "", "", "", "Notatki (mailto:)",
       "[Default Applications]\nx-scheme-handler/mailto=pl.example.Notes.desktop\n"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    fs::remove_all(home / ".config");
    fs::remove_all(sandbox / "xdg/etc");
    fs::remove(applications / "defaults.list");
    fs::remove(seen / "done");
    if (!test.user_list.empty()) SetMailtoDefault(test.user_list);
    if (!test.desktop_list.empty()) SetMailtoDefault(test.desktop_list, home / ".config/kde-mimeapps.list");
    if (!test.system_list.empty()) SetMailtoDefault(test.system_list, sandbox / "xdg/etc/mimeapps.list");
    if (!test.other_list.empty()) {
      const bool removal = test.other_list.starts_with("[Removed");
      const fs::path list = removal ? home / ".config/mimeapps.list" : applications / "defaults.list";
      fs::create_directories(list.parent_path());
      WriteFile(list, test.other_list);
    }
    RunOptions options = Options();
    options.environment["XDG_CURRENT_DESKTOP"] = "KDE";
    const RunResult run = RunProgram(program, {"-to", "anna"}, options);
    EXPECT_EQ(run.exit_code, 0) << run.std_err;
    EXPECT_THAT(Log(), EndsWith("Parametry: -to anna\r\nProgram pocztowy: " + test.expected +
                                "\r\nWyświetlenie okna nowej wiadomości.\r\nDodanie adresata: anna\r\n"
                                "Koniec programu.\r\n"));
    if (test.expected.ends_with("(mailto:)")) {
      EXPECT_THAT(ClientArguments(), ElementsAre("--new", "mailto:anna"));
    } else {
      EXPECT_EQ(ComposeFields().at("to"), "anna");
    }
  }
}

TEST_F(LinuxDesktop, ALinkCarriesWhatItCanAndTheDefaultIsNeverReplaced) {
  InstallThunderbird();  // never taken in the default's place
  fs::create_directories(applications);
  WriteFile(applications / "sylpheed.desktop",
            "[Desktop Entry]\nType=Application\nName=Sylpheed\nExec=" + Elsewhere("sylpheed").string() + " %u\n");
  SetMailtoDefault("sylpheed.desktop");
  WriteFile(sandbox / "a.pdf", "%PDF");
  const RunResult refused = RunProgram(program, {"-to", "anna", "-attachment", (sandbox / "a.pdf").string()}, Options());
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_THAT(Log(), HasSubstr("Program pocztowy: Sylpheed (mailto:)\r\n"));
  EXPECT_THAT(Log(), HasSubstr("Wystąpił błąd (429): Domyślny program pocztowy „Sylpheed” przyjmuje wiadomość tylko "
                               "jako link mailto:, a ten nie przeniesie załączników (1).\r\n"));
  EXPECT_FALSE(fs::exists(seen / "argv"));

  // The sender is no reason to fail; a body longer than a Windows URL still fits one argument.
  const std::string body(3000, 'x');
  const RunResult run = RunProgram(program, {"-from", "biuro@firma.pl", "-to", "anna", "-body", body}, Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_THAT(Log(), HasSubstr("Nadawca nie został wybrany: biuro@firma.pl (link mailto: nie przenosi nadawcy)\r\n"));
  EXPECT_THAT(ClientArguments(), ElementsAre("mailto:anna?body=" + body));
}

// What GIO reads of desktop files decides; each case is the only client
// besides the Thunderbird on PATH.
TEST_F(LinuxDesktop, DesktopFilesCountAsTheDesktopReadsThem) {
  InstallThunderbird();
  const std::string betterbird = Elsewhere("betterbird").string();
  const fs::path user_applications = home / ".local/share/applications";
  const std::string entry = "[Desktop Entry]\nType=Application\nName=Poczta\nExec=" + betterbird + " %u\n";
  struct Case {
    std::string name;
    fs::path file;
    std::string text;
    std::string client;    // -client
    std::string expected;  // the log line's client
  };
  const std::string flatpak = (bin / "flatpak").string();
  const Case cases[] = {
      {"a TryExec program that is missing", applications / "betterbird.desktop",
       entry + "TryExec=" + betterbird + "-gone\n", "auto", "Thunderbird"},
      {"CR LF line ends", applications / "betterbird.desktop",
       "[Desktop Entry]\r\nType=Application\r\nName=Poczta\r\nExec=" + betterbird + " %u\r\n", "auto",
       "Betterbird"},
      {"the user's hidden copy hides the system's", user_applications / "betterbird.desktop",
       "[Desktop Entry]\nType=Application\nName=Poczta\nExec=" + betterbird + " %u\nHidden=true\n", "auto",
       "Thunderbird"},
      {"a flatpak's desktop file ID", applications / "eu.betterbird.Betterbird.desktop",
       "[Desktop Entry]\nType=Application\nName=Betterbird\nExec=" + flatpak +
           " run eu.betterbird.Betterbird -P praca %u\n",
       "betterbird", "Betterbird (flatpak)"},
  };
  InstallStandIn(bin / "flatpak");
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    fs::remove_all(user_applications);
    fs::remove_all(applications);
    fs::remove_all(home / ".config");
    fs::remove(seen / "done");
    fs::create_directories(applications);
    fs::create_directories(test.file.parent_path());
    WriteFile(test.file, test.text);
    if (test.file.parent_path() == user_applications) WriteFile(applications / "betterbird.desktop", entry);
    // -client finds its desktop file by ID, without a default.
    if (test.client == "auto") SetMailtoDefault(test.file.filename().string());
    const RunResult run = RunProgram(program, {"-client", test.client, "-to", "anna"}, Options());
    EXPECT_EQ(run.exit_code, 0) << run.std_err;
    EXPECT_THAT(Log(), HasSubstr("Program pocztowy: " + test.expected + "\r\n"));
    EXPECT_EQ(ComposeFields().at("to"), "anna");
    const std::vector<std::string> argv = ClientArguments();
    if (test.expected.ends_with("(flatpak)")) {
      // The words after the application ID go to the client, before the message.
      EXPECT_THAT(std::vector<std::string>(argv.begin(), argv.begin() + 4),
                  ElementsAre("run", "eu.betterbird.Betterbird", "-P", "praca"));
    }
  }
}

TEST_F(LinuxDesktop, AnEmptyPathEntryNeverStartsAProgramOfTheCurrentFolder) {
  InstallThunderbird();
  WriteDesktopFile("thunderbird.desktop", "thunderbird %u");
  SetMailtoDefault("thunderbird.desktop");
  const fs::path caller = sandbox / "caller";
  sandbox.WriteScript(caller / "thunderbird", "echo ran > '" + (seen / "wrong").string() + "'\n");
  RunOptions options = Options();
  options.environment["PATH"] = ":" + bin.string();
  options.working_folder = caller;
  const RunResult run = RunProgram(program, {"-to", "anna"}, options);
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_EQ(ComposeFields().at("to"), "anna");
  EXPECT_FALSE(fs::exists(seen / "wrong"));

  // The default's program only there: an error naming it, never another client in its place.
  fs::remove(bin / "thunderbird");
  InstallStandIn(bin / "betterbird");
  EXPECT_EQ(RunProgram(program, {"-to", "anna"}, options).exit_code, 1);
  EXPECT_THAT(Log(), HasSubstr("Wystąpił błąd (429): Domyślny program pocztowy „Poczta” (thunderbird.desktop) nie "
                               "może zostać uruchomiony. Nie znaleziono programu „thunderbird” w folderach ze "
                               "zmiennej PATH (puste i względne wpisy PATH są pomijane).\r\n"));
  EXPECT_FALSE(fs::exists(seen / "wrong"));
}

TEST_F(LinuxDesktop, GearyHandingOverIsSuccessAndKeepsTheCopiesItReads) {
  // A flatpak Geary sees nothing of the caller's files: it gets copies.
  InstallStandIn(bin / "flatpak", "exit 255");
  WriteDesktopFile("org.gnome.Geary.desktop", (bin / "flatpak").string() + " run org.gnome.Geary %u");
  SetMailtoDefault("org.gnome.Geary.desktop");
  WriteFile(sandbox / "umowa.pdf", "%PDF");
  const RunResult run = RunProgram(program, {"-to", "anna", "-attachment", (sandbox / "umowa.pdf").string()},
                                   Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_THAT(Log(), EndsWith("Koniec programu.\r\n"));
  const std::vector<std::string> argv = ClientArguments();
  ASSERT_GE(argv.size(), 2u);
  const testing::ComposeWindow shown =
      testing::ReadBack(ClientName::kGeary, std::vector<std::string>(argv.begin() + 2, argv.end()));
  ASSERT_EQ(shown.attachments.size(), 1u);
  EXPECT_NE(shown.attachments[0], (sandbox / "umowa.pdf").string());
  EXPECT_EQ(ReadFile(shown.attachments[0]), "%PDF");  // still there after the run
}

TEST_F(LinuxDesktop, ClientOptionPicksTheClientOrSaysWhyNot) {
  InstallThunderbird();
  WriteDesktopFile("betterbird.desktop", Elsewhere("betterbird").string() + " %u");
  SetMailtoDefault("thunderbird.desktop");
  struct Case {
    std::string client;
    int exit_code;
    std::string log_part;
  };
  const Case cases[] = {
      {"betterbird", 0, "Program pocztowy: Betterbird\r\n"},
      {"THUNDERBIRD", 0, "Program pocztowy: Thunderbird\r\n"},
      {"auto", 0, "Program pocztowy: Thunderbird\r\n"},
      {"mapi", 1, "Wystąpił błąd (429): Simple MAPI (opcja -client mapi) jest dostępne tylko w systemie Windows."},
      {"outlook", 1, "Wystąpił błąd (429): "},
      {"pegasus", 1, "Wystąpił błąd (5): Nieznany program pocztowy w opcji -client: „pegasus”."},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.client);
    fs::remove(log);
    const RunResult run = RunProgram(program, {"-client", test.client, "-subject", "x"}, Options());
    EXPECT_EQ(run.exit_code, test.exit_code) << run.std_err;
    EXPECT_THAT(Log(), HasSubstr(test.log_part));
  }
}

// A client's text with mailto:'s CR LF line breaks as the caller's LF.
std::string Plain(std::string text) {
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  return text;
}

TEST_F(LinuxDesktop, EveryClientGetsAHostileMessageWhole) {
  const std::string hostile = ", ' \" = & ? % # + zażółć";
  const std::string body = "Dzień dobry" + hostile + "\nDruga linia\n" + std::string(100 * 1024, 'x');
  WriteFile(sandbox / "b.txt", body);
  const fs::path attachment = sandbox / "a b,c'd=&?%#+ł.pdf";
  WriteFile(attachment, "%PDF");
  const fs::path broken = sandbox / "x\ny.pdf";  // Evolution and Claws Mail get a copy named "x y.pdf"
  WriteFile(broken, "%PDF-2");
  // Each client's own files hold the sender "Biuro, Firma" beside another
  // identity of the same address (Thunderbird, KMail): the named one is told.
  for (const char* folder : {".thunderbird/p.default", ".claws-mail", ".config/evolution/sources"}) {
    fs::create_directories(home / folder);
  }
  WriteFile(home / ".thunderbird/profiles.ini", "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n");
  WriteFile(home / ".thunderbird/p.default/prefs.js",
            "user_pref(\"mail.accountmanager.accounts\", \"account1\");\n"
            "user_pref(\"mail.account.account1.identities\", \"id1,id2\");\n"
            "user_pref(\"mail.identity.id1.fullName\", \"Sekretariat\");\n"
            "user_pref(\"mail.identity.id1.useremail\", \"biuro@firma.pl\");\n"
            "user_pref(\"mail.identity.id2.fullName\", \"Biuro, Firma\");\n"
            "user_pref(\"mail.identity.id2.useremail\", \"biuro@firma.pl\");\n");
  WriteFile(home / ".claws-mail/accountrc",
            "[Account: 1]\naccount_name=Pierwsze\nname=Anna\naddress=anna@firma.pl\n"
            "[Account: 2]\naccount_name=Biuro\nname=Biuro, Firma\naddress=biuro@firma.pl\n");
  WriteFile(home / ".config/evolution/sources/b1.source",
            "[Data Source]\nDisplayName=biuro@firma.pl\nEnabled=true\n[Mail Identity]\nAddress=biuro@firma.pl\n"
            "Name=Biuro, Firma\n");
  WriteFile(home / ".config/emailidentities",
            "[Identity #0]\nIdentity=Praca\nName=Anna\nEmail Address=biuro@firma.pl\nuoid=1\n"
            "[Identity #1]\nIdentity=Biuro\nName=Biuro, Firma\nEmail Address=biuro@firma.pl\nuoid=2\n");
  const std::map<ClientName, std::string> senders = {
      {ClientName::kThunderbird, "identity id2"}, {ClientName::kBetterbird, "identity id2"},
      {ClientName::kEvolution, "biuro@firma.pl"}, {ClientName::kKmail, "Biuro"},
      {ClientName::kClawsMail, "\"Biuro, Firma\" <biuro@firma.pl>"}, {ClientName::kGeary, ""}};
  for (const ClientName client : {ClientName::kThunderbird, ClientName::kBetterbird, ClientName::kEvolution,
                                  ClientName::kKmail, ClientName::kClawsMail, ClientName::kGeary}) {
    const std::string name(ClientNameText(client));
    SCOPED_TRACE(name);
    fs::remove(seen / "done");
    fs::remove(log);
    InstallStandIn(bin / name);
    const RunResult run = RunProgram(
        program,
        {"-client", name, "-from", "Biuro, Firma", "-to",
         "anna@firma.pl;-jan@firma.pl;Nowak, Jan <jan@firma.pl>;file:///etc/passwd#a@b", "-cc", "ewa" + hostile,
         "-subject", "Oferta" + hostile + "\nlinia", "-bodyfile", (sandbox / "b.txt").string(), "-attachment",
         attachment.string() + ";" + broken.string()},
        Options());
    EXPECT_EQ(run.exit_code, 0) << run.std_err;
    const std::string text = Log();
    const testing::ComposeWindow shown = testing::ReadBack(client, ClientArguments());
    EXPECT_THAT(shown.to_list, ElementsAre("anna@firma.pl", "-jan@firma.pl", "Nowak, Jan <jan@firma.pl>",
                                           "file:///etc/passwd#a@b"));
    EXPECT_THAT(shown.cc_list, ElementsAre("ewa, ' \" = & ? % # + zażółć"));
    EXPECT_EQ(Plain(shown.subject), "Oferta, ' \" = & ? % # + zażółć\nlinia");
    EXPECT_EQ(Plain(shown.body), body);
    ASSERT_EQ(shown.attachments.size(), 2u);
    EXPECT_EQ(shown.attachments[0], attachment.string());
    if (client == ClientName::kEvolution || client == ClientName::kClawsMail) {
      EXPECT_THAT(shown.attachments[1], EndsWith("/x y.pdf"));
      EXPECT_EQ(ReadFile(shown.attachments[1]), "%PDF-2");
      EXPECT_EQ(Mode(shown.attachments[1]), fs::perms::owner_read | fs::perms::owner_write);
    } else {
      EXPECT_EQ(shown.attachments[1], broken.string());
    }
    EXPECT_THAT(text, HasSubstr("Dodanie załącznika: " + broken.string() + "\r\n"));
    EXPECT_THAT(shown.mishaps, ::testing::IsEmpty());
    EXPECT_EQ(shown.sender, senders.at(client));
    EXPECT_THAT(text, HasSubstr(client == ClientName::kGeary
                                    ? "Nadawca nie został wybrany: Biuro, Firma (programowi Geary nie można "
                                      "wskazać nadawcy)\r\n"
                                    : "Konto nadawcy: Biuro, Firma\r\n"));
  }
}

// What a snap with the "home" interface reads: the user's files under home
// with no hidden part on the way, and its own ~/snap/thunderbird.
bool SnapSees(const fs::path& home, const fs::path& file) {
  const fs::path relative = file.lexically_relative(home);
  if (relative.empty() || *relative.begin() == "..") return false;
  for (const fs::path& part : relative) {
    if (part.string().front() == '.') return false;
  }
  return *relative.begin() != "snap" || relative.string().rfind("snap/thunderbird/", 0) == 0;
}

TEST_F(LinuxDesktop, SnapGetsCopiesOfWhatItCannotSeeAndTheProfilesSender) {
  const fs::path launcher = sandbox / "snap/bin/thunderbird";
  InstallStandIn(launcher);
  fs::create_directories(bin);
  fs::create_symlink("/usr/bin/env", bin / "env");
  WriteDesktopFile("thunderbird_thunderbird.desktop",
                   "env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/thunderbird_thunderbird.desktop " +
                       launcher.string() + " %u");
  SetMailtoDefault("thunderbird_thunderbird.desktop");
  // The snap's own profile names the sender.
  const fs::path profiles = home / "snap/thunderbird/common/.thunderbird";
  fs::create_directories(profiles / "x1.default");
  WriteFile(profiles / "profiles.ini", "[Profile0]\nName=default\nIsRelative=1\nPath=x1.default\nDefault=1\n");
  WriteFile(profiles / "x1.default/prefs.js",
            "user_pref(\"mail.accountmanager.accounts\", \"account1\");\n"
            "user_pref(\"mail.account.account1.identities\", \"id1\");\n"
            "user_pref(\"mail.identity.id1.fullName\", \"Biuro Łódź\");\n"
            "user_pref(\"mail.identity.id1.useremail\", \"biuro@firma.pl\");\n");

  fs::create_directories(home / "Dokumenty");
  fs::create_directories(home / ".ukryte");
  fs::create_directories(sandbox / "a");
  fs::create_directories(sandbox / "b");
  const std::vector<fs::path> files = {home / "Dokumenty/oferta.pdf", home / ".ukryte/tajne.pdf",
                                       sandbox / "a/faktura 1.pdf", sandbox / "b/faktura 1.pdf"};
  std::string list;
  for (const fs::path& file : files) {
    WriteFile(file, "treść " + file.string());
    list += file.string() + ";";
  }
  fs::create_symlink(sandbox / "a/faktura 1.pdf", home / "Dokumenty/skrót.pdf");  // seen, points outside
  list += (home / "Dokumenty/skrót.pdf").string();
  const std::string body = "<p>Dzień dobry</p>" + std::string(100 * 1024, 'x');
  WriteFile(sandbox / "b.html", body);

  const RunResult run = RunProgram(program,
                                   {"-from", "BIURO Łódź", "-to", "anna@firma.pl", "-bodyfile",
                                    (sandbox / "b.html").string(), "-html", "1", "-attachment", list},
                                   Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_THAT(Log(), HasSubstr("Program pocztowy: Thunderbird (snap)\r\nKonto nadawcy: BIURO Łódź\r\n"));
  for (const fs::path& file : files) EXPECT_THAT(Log(), HasSubstr("Dodanie załącznika: " + file.string() + "\r\n"));

  const auto fields = ComposeFields();
  EXPECT_EQ(fields.at("preselectid"), "id1");
  const fs::path own = home / "snap/thunderbird/common/wrenpost";
  EXPECT_EQ(fs::path(fields.at("message")).parent_path(), own);
  EXPECT_EQ(ReadFile(fields.at("message")), body);
  const std::vector<std::string> paths = AttachmentPaths(fields.at("attachment"));
  ASSERT_EQ(paths.size(), 5u);
  EXPECT_EQ(paths[0], files[0].string());  // seen where it is
  for (std::size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    EXPECT_TRUE(SnapSees(home, paths[i]));
    EXPECT_EQ(ReadFile(paths[i]), ReadFile(i < files.size() ? files[i] : files[2]));
    EXPECT_EQ(fs::path(paths[i]).filename(), i < files.size() ? files[i].filename() : "skrót.pdf");
    if (i == 0) continue;
    EXPECT_EQ(fs::path(paths[i]).parent_path().parent_path(), own);  // a copy, in a folder of its own
    EXPECT_EQ(Mode(paths[i]), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Mode(fs::path(paths[i]).parent_path()), fs::perms::owner_all);
  }
  EXPECT_NE(fs::path(paths[2]).parent_path(), fs::path(paths[3]).parent_path());
  EXPECT_EQ(Mode(own), fs::perms::owner_all);

  // A later run removes copies a day old and keeps the fresh ones.
  const fs::path old_copy = fs::path(paths[1]).parent_path();
  fs::last_write_time(old_copy, fs::file_time_type::clock::now() - std::chrono::hours(25));
  fs::remove(seen / "done");
  EXPECT_EQ(RunProgram(program, {"-subject", "x"}, Options()).exit_code, 0);
  ClientArguments();
  EXPECT_FALSE(fs::exists(old_copy));
  EXPECT_TRUE(fs::exists(paths[2]));
}

TEST_F(LinuxDesktop, FlatpakGetsWhatItsPermissionsGrantAndCopiesOfTheRest) {
  const std::string app = "org.mozilla.Thunderbird";
  InstallStandIn(bin / "flatpak");
  WriteDesktopFile(app + ".desktop", (bin / "flatpak").string() +
                                         " run --branch=stable --arch=x86_64 --command=thunderbird "
                                         "--file-forwarding " + app + " @@u %u @@");
  SetMailtoDefault(app + ".desktop");
  WriteFile(home / ".config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Pobrane\"\n");
  const fs::path metadata = home / ".local/share/flatpak/app" / app / "current/active/metadata";
  fs::create_directories(metadata.parent_path());
  WriteFile(metadata, "[Application]\nname=" + app + "\n\n[Context]\nfilesystems=xdg-download;~/Poczta:ro;\n");
  const fs::path overrides = home / ".local/share/flatpak/overrides" / app;
  fs::create_directories(overrides.parent_path());
  WriteFile(overrides, "[Context]\nfilesystems=!~/Poczta;\n");  // taken back by the user
  fs::create_directories(home / "Pobrane");
  fs::create_directories(home / "Poczta");
  const std::vector<fs::path> files = {home / "Pobrane/cennik.pdf", home / "Poczta/umowa.pdf"};
  for (const fs::path& file : files) WriteFile(file, file.filename().string());

  const RunResult run = RunProgram(
      program, {"-body", "treść", "-attachment", files[0].string() + ";" + files[1].string()}, Options());
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_THAT(Log(), HasSubstr("Program pocztowy: Thunderbird (flatpak)\r\n"));
  const std::vector<std::string> argv = ClientArguments();
  ASSERT_EQ(argv.size(), 7u);
  EXPECT_THAT(std::vector<std::string>(argv.begin(), argv.begin() + 5),
              ElementsAre("run", "--branch=stable", "--arch=x86_64", "--command=thunderbird", app));
  const auto fields = ComposeFields();
  const fs::path own = home / ".var/app" / app / "cache/wrenpost";
  EXPECT_EQ(fs::path(fields.at("message")).parent_path(), own);
  EXPECT_EQ(ReadFile(fields.at("message")), "treść");
  const std::vector<std::string> paths = AttachmentPaths(fields.at("attachment"));
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], files[0].string());
  EXPECT_EQ(fs::path(paths[1]).parent_path().parent_path(), own);
  EXPECT_EQ(ReadFile(paths[1]), "umowa.pdf");
}

TEST_F(LinuxDesktop, AStartIsJudgedByHowTheClientEnds) {
  struct Case {
    std::string name;
    std::string ending;  // after the stand-in has recorded what it got
    int exit_code;
    std::string log_part;
  };
  const Case cases[] = {
      {"an error line", "echo >&2; echo 'Error: no DISPLAY environment variable specified' >&2; echo więcej >&2; exit 1",
       1, "Wystąpił błąd (429): Error: no DISPLAY environment variable specified\r\nProgram zakończony błędem."},
      {"a silent failure", "exit 3", 1,
       "Wystąpił błąd (429): Program Thunderbird zakończył pracę zaraz po uruchomieniu (kod 3) i nie otworzył "
       "wiadomości.\r\nProgram zakończony błędem."},
      {"killed", "kill -9 $$", 1,
       "Wystąpił błąd (429): Program Thunderbird został przerwany zaraz po uruchomieniu (sygnał 9) i nie "
       "otworzył wiadomości.\r\nProgram zakończony błędem."},
      {"handed to a running instance", "echo 'uwaga' >&2; exit 0", 0, "Koniec programu."},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    fs::remove(seen / "done");
    fs::remove_all(body_folder);
    InstallStandIn(bin / "thunderbird", test.ending);
    const RunResult run = RunProgram(program, {"-body", "treść"}, Options());
    EXPECT_EQ(run.exit_code, test.exit_code);
    EXPECT_THAT(Log(), EndsWith(test.log_part + "\r\n"));
    // The body file stays only for a client that took the message.
    EXPECT_EQ(fs::is_empty(body_folder), test.exit_code != 0);
  }

  // A caller that ignores SIGCHLD hands that on; the failure is still seen.
  const fs::path ignoring = sandbox / "ignoring";  // bash, since dash does not ignore SIGCHLD for the programs it starts
  WriteFile(ignoring, "#!/bin/bash\ntrap '' CHLD\nexec '" + program.string() + "' \"$@\"\n");
  fs::permissions(ignoring, fs::perms::owner_all);
  InstallStandIn(bin / "thunderbird", "exit 3");
  EXPECT_EQ(RunProgram(ignoring, {"-subject", "x"}, Options()).exit_code, 1);
  EXPECT_THAT(Log(), HasSubstr("(kod 3) i nie otworzył wiadomości.\r\nProgram zakończony błędem.\r\n"));
}

TEST_F(LinuxDesktop, AFirstInstanceKeepsRunningAndWritingAfterTheProgramEnds) {
  // Writes to its standard error after the watch: with nobody reading, that
  // write would kill it.
  InstallStandIn(bin / "thunderbird", "echo started >&2; sleep 4; echo later >&2 && echo alive > '" +
                                          (seen / "alive").string() + "'; sleep 1");
  const RunResult run = RunProgram(program, {"-subject", "x"}, Options());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_THAT(Log(), EndsWith("Koniec programu.\r\n"));
  EXPECT_FALSE(fs::exists(seen / "alive"));  // the program did not wait for its end
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(seen / "alive") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(fs::exists(seen / "alive"));
}

TEST_F(LinuxDesktop, AFirstInstanceEndsTheWatchWithItsOwnSignOfLife) {
  // Each stand-in shows its sign (or another's), then fails while the watch
  // would still be on: a run that ends well has stopped watching at the sign.
  const fs::path profile = home / ".thunderbird/p.default";
  const fs::path claws = home / ".claws-mail";
  fs::create_directories(profile);
  fs::create_directories(claws);
  const std::string lock = "'" + (profile / "lock").string() + "'";
  const std::string claws_log = "'" + (claws / "claws.log").string() + "'";
  const std::string fail_later = "sleep 2; echo 'Error: later' >&2; exit 1";
  struct Case {
    std::string name;
    std::string client;  // its program on PATH and -client
    std::string ending;
    int exit_code;
  };
  const Case cases[] = {
      {"its profile lock", "thunderbird", "ln -s \"127.0.0.1:+$$\" " + lock + "; " + fail_later, 0},
      {"the lock of a process it started", "thunderbird",
       "sh -c 'ln -s \"127.0.0.1:+$$\" " + lock + "; sleep 5' & " + fail_later, 0},
      {"a lock naming another process", "thunderbird", "ln -s 127.0.0.1:+1 " + lock + "; " + fail_later, 1},
      {"its log held open", "claws-mail", "exec 3>>" + claws_log + "; " + fail_later, 0},
      {"its log written, not held", "claws-mail", "echo x >>" + claws_log + "; " + fail_later, 1},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    fs::remove(profile / "lock");
    InstallStandIn(bin / test.client, test.ending);
    const RunResult run = RunProgram(program, {"-client", test.client, "-subject", "x"}, Options());
    EXPECT_EQ(run.exit_code, test.exit_code) << Log();
    EXPECT_THAT(Log(), EndsWith(test.exit_code == 0 ? "Koniec programu.\r\n"
                                                    : "Wystąpił błąd (429): Error: later\r\nProgram zakończony błędem.\r\n"));
  }
}

TEST_F(LinuxDesktop, WithoutAGraphicalSessionNothingStarts) {
  InstallThunderbird();
  const RunResult run = RunProgram(program, {"-body", "treść"}, Options(/*display=*/false));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(Log(), HasSubstr("Program pocztowy: Thunderbird\r\n"));
  EXPECT_THAT(Log(), HasSubstr("Wystąpił błąd (429): Brak sesji graficznej (nie ustawiono zmiennej DISPLAY ani "
                               "WAYLAND_DISPLAY): program Thunderbird nie może otworzyć okna nowej wiadomości.\r\n"));
  EXPECT_FALSE(fs::exists(seen / "argv"));
  EXPECT_FALSE(fs::exists(body_folder));
}

}  // namespace
}  // namespace wrenpost::e2e
