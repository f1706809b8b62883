// End-to-end tests of the desks without Outlook's automation: the real
// Wrenpost.exe under Wine with -client, the stand-in automation server
// unregistered, and the stand-in mail clients of tests/wine/stand_ins
// registered as the default one: a Simple MAPI provider (its 32-bit build
// for a 32-bit program, or the other width's to be passed over),
// thunderbird.exe, a mailto: handler.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/compose_decoder.h"
#include "wine_session.h"

namespace wrenpost::wine_test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The 429 box off Outlook's route names the mail client ("programie X").
std::string Box429(const std::string& in) {
  return "Nie można utworzyć nowej wiadomości w " + in + ".\\r\\nSprawdź, czy program jest zainstalowany w systemie!";
}
const std::string kThunderbirdExe = "C:\\wrenpost-tools\\thunderbird.exe";

fs::path DriveC() { return fs::path(std::getenv("WINEPREFIX")) / "drive_c"; }
fs::path Tools() { return DriveC() / "wrenpost-tools"; }

// A Windows path below C:\ on the Linux side.
fs::path UnixOf(std::string windows_path) {
  for (char& c : windows_path) c = c == '\\' ? '/' : c;
  return DriveC() / fs::u8path(windows_path.substr(3));
}

std::string ReadAll(const fs::path& file) {
  std::ostringstream bytes;
  bytes << std::ifstream(file, std::ios::binary).rdbuf();
  return bytes.str();
}

// A stand-in's record, line by line.
Lines Record(const std::string& file) {
  Lines lines;
  std::ifstream in(Tools() / file);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Waits (up to 15 s) until the record of a stand-in that runs on its own
// holds `line`.
Lines AwaitRecord(const std::string& file, const std::string& line) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  Lines lines = Record(file);
  while (std::find(lines.begin(), lines.end(), line) == lines.end() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lines = Record(file);
  }
  return lines;
}

std::string RegText(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) out += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
  return out + "\"";
}

// The default client `name` under HKLM\Software\Clients\Mail, one key for
// 32- and 64-bit programs on Windows, with the stand-in provider of `bits`
// and, when given, an open command. Wine, unlike Windows, shows a 32-bit
// process a copy of its own under Wow6432Node: a provider of 32 bits is put
// there too, where Wine's 32-bit mapi32.dll looks for it.
std::string DefaultClient(const std::string& name, const std::string& open_command, const std::string& bits) {
  std::string entries;
  for (const std::string view : {"", "Wow6432Node\\"}) {
    if (!view.empty() && bits != "32") break;
    const std::string key = "[HKEY_LOCAL_MACHINE\\Software\\" + view + "Clients\\Mail";
    entries += key + "]\r\n@=" + RegText(name) + "\r\n" + key + "\\" + name + "]\r\n\"DLLPath\"=" +
               RegText("C:\\wrenpost-tools\\mapi_stand_in" + bits + ".dll") + "\r\n";
    if (!open_command.empty()) entries += key + "\\" + name + "\\shell\\open\\command]\r\n@=" + RegText(open_command) + "\r\n";
  }
  return entries;
}

// Wine's ShellExecuteExW finds the mailto: handler in HKLM\Software\Classes.
const std::string kMailtoHandler =
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto\\shell\\open\\command]\r\n@=" +
    RegText("\"C:\\wrenpost-tools\\mailto_handler.exe\" \"%1\"") + "\r\n";

// The mail clients of one case: every earlier registration of a mail client
// or a mailto: handler (Wine's own included) gone, `entries` registered, the
// stand-in automation server unregistered unless `outlook`; all undone at the end.
class MailClients {
 public:
  MailClients(const WineCase& c, const std::string& entries, bool outlook) : case_(c), outlook_(outlook) {
    for (const char* file : {"mapi_calls.txt", "mapi_control.txt", "thunderbird_calls.txt",
                             "thunderbird_control.txt", "mailto_calls.txt"}) {
      fs::remove(Tools() / file);
    }
    ok_ = Import(entries) && (outlook || WineCase::Wine({"C:\\wrenpost-tools\\fake_outlook.exe", "/unregserver"}) == 0);
  }
  ~MailClients() {
    Import("");
    if (!outlook_) WineCase::Wine({"C:\\wrenpost-tools\\fake_outlook.exe", "/regserver"});
  }
  bool ok() const { return ok_; }

 private:
  bool Import(const std::string& entries) const {
    case_.WriteFile("clients.reg",
                    "REGEDIT4\r\n\r\n"
                    "[-HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail]\r\n"
                    "[-HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Clients\\Mail]\r\n"
                    "[-HKEY_CURRENT_USER\\Software\\Clients\\Mail]\r\n"
                    "[-HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto]\r\n\r\n" + entries);
    return WineCase::Wine({"reg", "import", case_.WinPath("clients.reg")}) == 0;
  }

  const WineCase& case_;
  bool outlook_;
  bool ok_ = false;
};

// `box`: the one box's text; empty: a clean run.
void ExpectEnd(const RunResult& run, const std::string& box) {
  ASSERT_EQ(run.boxes.size(), box.empty() ? 0u : 1u) << (run.boxes.empty() ? "" : run.boxes[0].text);
  if (!box.empty()) {
    EXPECT_EQ(run.boxes[0].text, box);
  }
  EXPECT_EQ(run.exit_code, box.empty() ? 0 : 1);
}

// Two identities: Thunderbird is told the one -from names by its key.
const std::string kTwoIdentities =
    "user_pref(\"mail.accountmanager.accounts\", \"account1,account2\");\r\n"
    "user_pref(\"mail.account.account1.identities\", \"id1\");\r\n"
    "user_pref(\"mail.account.account2.identities\", \"id2\");\r\n"
    "user_pref(\"mail.identity.id1.fullName\", \"Sekretariat\");\r\n"
    "user_pref(\"mail.identity.id1.useremail\", \"sekretariat@firma.pl\");\r\n"
    "user_pref(\"mail.identity.id2.fullName\", \"Biuro Firma\");\r\n"
    "user_pref(\"mail.identity.id2.useremail\", \"biuro@firma.pl\");\r\n";

// The Wine user's Thunderbird profiles (%APPDATA%\Thunderbird) for one case:
// profiles.ini, and the prefs.js of the default profile in `folder`.
class ThunderbirdProfile {
 public:
  ThunderbirdProfile(const std::string& profiles_ini, const fs::path& folder, const std::string& prefs)
      : folder_(folder) {
    fs::create_directories(Root());
    fs::create_directories(folder);
    std::ofstream(Root() / "profiles.ini") << profiles_ini;
    std::ofstream(folder / "prefs.js") << prefs;
  }
  ~ThunderbirdProfile() {
    fs::remove_all(Root());
    fs::remove_all(folder_);
  }
  static fs::path Root() {
    return DriveC() / "users" / ::getpwuid(::getuid())->pw_name / "AppData/Roaming/Thunderbird";
  }

 private:
  fs::path folder_;
};

class WineMailClients : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = WineCase::MissingSetting();
    ASSERT_TRUE(missing.empty()) << missing;
  }

  static std::string Bits() { return Is32BitExecutable(std::getenv("WRENPOST_EXE")) ? "32" : "64"; }
  static std::string OtherBits() { return Bits() == "32" ? "64" : "32"; }
  // The default client with the provider of the program's width.
  static std::string DefaultClient(const std::string& name, const std::string& open_command = {}) {
    return wine_test::DefaultClient(name, open_command, Bits());
  }
};

TEST_F(WineMailClients, OfferGoesToTheSimpleMapiProviderOfTheProgramsWidth) {
  WineCase c("MapiOffer");
  MailClients clients(c, DefaultClient("Poczta Testowa"), false);
  ASSERT_TRUE(clients.ok());
  std::ofstream(DriveC() / "f.pdf") << "%PDF-1.4\n";
  const std::string args =
      "-client auto -from biuro@firma.pl -to anna@firma.pl;Jan Nowak -cc b@firma.pl -subject Oferta -html 1 "
      "-body <p>Dzień dobry</p> -attachment C:\\f.pdf";
  ExpectEnd(c.Run(args), "");
  const Lines record = Record("mapi_calls.txt");
  for (const std::string& line : record) std::cout << line << "\n";  // kept in the test's output
  EXPECT_EQ(record, (Lines{"MAPISendMailW provider=" + Bits() + "-bit session=0 parent=0 flags=0x0000000D",
                           "recipient class=1 name=\"anna@firma.pl\" address=\"SMTP:anna@firma.pl\"",
                           "recipient class=1 name=\"Jan Nowak\" address=null",
                           "recipient class=2 name=\"b@firma.pl\" address=\"SMTP:b@firma.pl\"",
                           "originator=\"SMTP:biuro@firma.pl\"",
                           "subject=\"Oferta\"",
                           "body=\"Dzień dobry\"",
                           "file path=\"C:\\\\f.pdf\" name=\"f.pdf\" position=-1",
                           "answer 0"}));
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) + "\r\n\r\nParametry: " + args +
                         "\r\n"
                         "Program pocztowy: Poczta Testowa (Simple MAPI)\r\n"
                         "Nadawca przekazany programowi pocztowemu: biuro@firma.pl\r\n"
                         "Dodanie tematu: Oferta\r\n"
                         "Dodanie treści html: <p>Dzień dobry</p>\r\n"
                         "Dodanie załącznika: C:\\f.pdf\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Dodanie adresata: anna@firma.pl\r\n"
                         "Dodanie adresata: Jan Nowak\r\n"
                         "Dodanie adresata DW: b@firma.pl\r\n"
                         "Koniec programu.\r\n");
}

// What the provider answers, and what the run makes of it.
struct AnswerCase {
  const char* name;
  const char* args;
  const char* control;  // mapi_control.txt
  bool outlook;         // the automation server stays registered
  Lines calls;          // the record's call and answer lines
  std::string box;      // empty: none
  std::string entry;    // a part of the log
};

class ProviderAnswer : public WineMailClients, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(ProviderAnswer, DecidesTheRun) {
  const AnswerCase& param = GetParam();
  WineCase c(param.name);
  MailClients clients(c, DefaultClient("Poczta Testowa"), param.outlook);
  ASSERT_TRUE(clients.ok());
  std::ofstream(Tools() / "mapi_control.txt") << param.control;
  const RunResult run = c.Run(param.args);
  ExpectEnd(run, param.box);
  Lines calls;
  for (const std::string& line : Record("mapi_calls.txt")) {
    if (line.starts_with("MAPISendMailW")) calls.push_back(line.substr(line.find("flags=")));
    if (line.starts_with("answer")) calls.push_back(line);
  }
  EXPECT_EQ(calls, param.calls);
  EXPECT_TRUE(c.Calls().empty()) << "the automation server was asked";
  EXPECT_NE(c.Log().find(param.entry), std::string::npos) << c.Log();
}

INSTANTIATE_TEST_SUITE_P(
    WineMailClients, ProviderAnswer,
    ::testing::Values(
        AnswerCase{"MapiModelessRefused", "-client mapi -to anna -subject S", "0000000D 26\n", true,
                   {"flags=0x0000000D", "answer 26", "flags=0x00000009", "answer 0"}, "",
                   "Program pocztowy: Poczta Testowa (Simple MAPI)\r\nDodanie tematu: S\r\n"},
        AnswerCase{"MapiClosedByTheUser", "-client auto -from biuro@firma.pl -to anna", "0000000D 1\n", false,
                   {"flags=0x0000000D", "answer 1"}, "",
                   "Wyświetlenie okna nowej wiadomości.\r\nDodanie adresata: anna\r\nUżytkownik anulował wiadomość "
                   "w programie pocztowym (MAPI_E_USER_ABORT): wiadomość nie została wysłana.\r\nKoniec programu.\r\n"},
        AnswerCase{"MapiLoginFailure", "-client auto -to anna", "0000000D 3\n", false, {"flags=0x0000000D", "answer 3"},
                   "Wystąpił błąd:\\r\\nProgram pocztowy nie otworzył wiadomości: MAPISendMailW zwróciła kod 3 "
                   "(MAPI_E_LOGIN_FAILURE).",
                   "Wystąpił błąd (32003): Program pocztowy nie otworzył wiadomości"}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return info.param.name; });

// How the stand-in Thunderbird's launcher ends, and what the run makes of it.
struct StartCase {
  const char* name;
  const char* control;  // thunderbird_control.txt
  bool fails;           // the 429 box, with the error line in the log
  bool keeps_running;
};

class ThunderbirdStart : public WineMailClients, public ::testing::WithParamInterface<StartCase> {};

TEST_P(ThunderbirdStart, GetsTheComposeFieldsAndIsWatched) {
  const StartCase& param = GetParam();
  WineCase c(param.name);
  MailClients clients(c, DefaultClient("Mozilla Thunderbird", "\"" + kThunderbirdExe + "\" -mail"), false);
  ASSERT_TRUE(clients.ok());
  std::ofstream(Tools() / "thunderbird_control.txt") << param.control;
  const ThunderbirdProfile profile("[Install4F96D1932A9F858E]\r\nDefault=Profiles/k3x.default-release\r\n",
                                   ThunderbirdProfile::Root() / "Profiles/k3x.default-release", kTwoIdentities);
  c.WriteFile("oferta 1.pdf", "%PDF-1.4\n");
  // Body files of earlier runs go once they are a day old, whatever this run
  // does (in %TEMP%\Wrenpost; Wine's %TEMP% is C:\users\<user>\Temp).
  const fs::path folder = DriveC() / "users" / ::getpwuid(::getuid())->pw_name / "Temp/Wrenpost";
  fs::create_directories(folder);
  std::ofstream(folder / "wrenpost-body-stary.txt") << "x";
  std::ofstream(folder / "wrenpost-body-nowy.txt") << "x";
  fs::last_write_time(folder / "wrenpost-body-stary.txt", fs::file_time_type::clock::now() - std::chrono::hours(25));
  const std::string args = "-client auto -from biuro@firma.pl -to anna@firma.pl;Jan Nowak -subject Oferta, „ceny” "
                           "-html 1 -body <p>Dzień dobry</p> -attachment " + c.WinPath("oferta 1.pdf");
  const RunResult run = c.Run(args);
  RecordProperty("run_ms", run.report.count("run_ms") ? run.report.at("run_ms") : "?");
  const Lines record = Record("thunderbird_calls.txt");
  ASSERT_GE(record.size(), 4u);
  EXPECT_EQ(record[1], "argv[0]=\"" + Escaped(kThunderbirdExe) + "\"");
  EXPECT_EQ(record[2], "argv[1]=\"-compose\"");
  ASSERT_TRUE(record[3].starts_with("argv[2]=\"") && record[3].ends_with("\"")) << record[3];
  auto fields = wrenpost::testing::DecodeComposeString(record[3].substr(9, record[3].size() - 10));
  const std::string body_file = fields["message"];
  fields.erase("message");
  EXPECT_EQ(fields, (std::map<std::string, std::string>{
                        {"to", "anna@firma.pl,\"Jan Nowak\""},
                        {"preselectid", "id2"},
                        {"subject", "Oferta, „ceny”"},
                        {"format", "html"},
                        {"attachment", "file:///C:/cases/" + std::string(param.name) + "/oferta%201.pdf"}}));
  EXPECT_TRUE(Record("mapi_calls.txt").empty()) << "Thunderbird's command line comes before its Simple MAPI";
  EXPECT_EQ(UnixOf(body_file).parent_path(), folder);
  EXPECT_FALSE(fs::exists(folder / "wrenpost-body-stary.txt"));
  EXPECT_TRUE(fs::exists(folder / "wrenpost-body-nowy.txt"));
  const std::string log = c.Log();
  EXPECT_NE(log.find("Parametry: " + args + "\r\nProgram pocztowy: Mozilla Thunderbird (wiersz poleceń)\r\n"
                     "Konto nadawcy: biuro@firma.pl\r\n"),
            std::string::npos)
      << log;
  if (param.fails) {
    ExpectEnd(run, Box429("programie Mozilla Thunderbird"));
    EXPECT_TRUE(log.ends_with("Wystąpił błąd (429): Error: nie można otworzyć profilu\r\n"
                              "Program zakończony błędem.\r\n"))
        << log;
    EXPECT_FALSE(fs::exists(UnixOf(body_file))) << "nobody reads the body file now";
    return;
  }
  ExpectEnd(run, "");
  EXPECT_EQ(ReadAll(UnixOf(body_file)), "<p>Dzień dobry</p>");
  EXPECT_TRUE(body_file.ends_with(".html")) << body_file;
  if (param.keeps_running) {
    // The run ended while the first instance still ran.
    EXPECT_EQ(record.back(), "running");
    EXPECT_EQ(AwaitRecord("thunderbird_calls.txt", "ended").back(), "ended");
  }
}

INSTANTIATE_TEST_SUITE_P(WineMailClients, ThunderbirdStart,
                         ::testing::Values(StartCase{"ThunderbirdHandsOver", "exit 0", false, false},
                                         StartCase{"ThunderbirdFailsAtOnce",
                                                   "fail 1 Error: nie można otworzyć profilu", true, false},
                                         StartCase{"ThunderbirdFirstInstance", "run 5000", false, true},
                                         StartCase{"ThunderbirdFirstWindow", "window 5000", false, true}),
                         [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

// A profile whose path is absolute (IsRelative=0, C:\...), with `prefs`.
ThunderbirdProfile AbsoluteProfile(const WineCase& c, const std::string& prefs) {
  return ThunderbirdProfile("[Profile0]\r\nName=default\r\nIsRelative=0\r\nPath=" + c.WinPath("profil") +
                                "\r\nDefault=1\r\n",
                            c.UnixPath("profil"), prefs);
}

TEST_F(WineMailClients, ThunderbirdWithoutTheSendersIdentityOpensFromItsDefault) {
  WineCase c("ThunderbirdUnknownSender");
  MailClients clients(c, DefaultClient("Mozilla Thunderbird", "\"" + kThunderbirdExe + "\" -mail"), false);
  ASSERT_TRUE(clients.ok());
  std::ofstream(Tools() / "thunderbird_control.txt") << "exit 0";
  const ThunderbirdProfile profile = AbsoluteProfile(c, kTwoIdentities);
  ExpectEnd(c.Run("-client auto -from nieznany@firma.pl -to anna@firma.pl"), "");
  const Lines record = Record("thunderbird_calls.txt");
  ASSERT_GE(record.size(), 4u);
  const auto fields = wrenpost::testing::DecodeComposeString(record[3].substr(9, record[3].size() - 10));
  EXPECT_FALSE(fields.contains("from") || fields.contains("preselectid")) << record[3];
  EXPECT_NE(c.Log().find("\r\nNadawca nie został wybrany: nieznany@firma.pl (program Mozilla Thunderbird nie ma "
                         "konta o tej nazwie ani adresie)\r\n"),
            std::string::npos)
      << c.Log();
}

TEST_F(WineMailClients, ThunderbirdProfileWithoutAnAccountIsNotStarted) {
  WineCase c("ThunderbirdNoAccount");
  MailClients clients(c, DefaultClient("Mozilla Thunderbird", "\"" + kThunderbirdExe + "\" -mail"), false);
  ASSERT_TRUE(clients.ok());
  const ThunderbirdProfile profile = AbsoluteProfile(c, "user_pref(\"mail.accountmanager.accounts\", \"\");\r\n");
  ExpectEnd(c.Run("-client auto -to anna@firma.pl"), Box429("programie Mozilla Thunderbird"));
  EXPECT_TRUE(c.Log().ends_with("Wystąpił błąd (429): Program Mozilla Thunderbird nie ma jeszcze konta pocztowego "
                                "(profil " + c.WinPath("profil") + "), więc nie otworzy okna nowej wiadomości. "
                                "Skonfiguruj konto w programie Mozilla Thunderbird i spróbuj ponownie.\r\n"
                                "Program zakończony błędem.\r\n"))
      << c.Log();
  EXPECT_TRUE(Record("thunderbird_calls.txt").empty());
}

TEST_F(WineMailClients, MailtoHandlerGetsTheLinkOfAPlainMessage) {
  WineCase c("MailtoLink");
  MailClients clients(c, kMailtoHandler, false);
  ASSERT_TRUE(clients.ok());
  ExpectEnd(c.Run("-client auto -to anna@firma.pl;jan@firma.pl -cc b@firma.pl -subject Ceny & terminy "
                       "-html 1 -body <p>Dzień<br>dobry</p>"),
            "");
  const Lines record = AwaitRecord(
      "mailto_calls.txt",
      "link=\"mailto:anna@firma.pl,jan@firma.pl?cc=b%40firma.pl&subject=Ceny%20%26%20terminy"
      "&body=Dzie%C5%84%0D%0Adobry\"");
  EXPECT_EQ(record.size(), 1u);
  EXPECT_NE(c.Log().find("Program pocztowy: mailto_handler.exe (mailto:)\r\n"), std::string::npos) << c.Log();
}

// The usual desk of the 32-bit program: a provider of the other width under
// the one Clients key. mapi32.dll could not load it; the mailto: handler
// takes the message, the sender logged as not chosen.
TEST_F(WineMailClients, ProviderOfTheOtherWidthGivesWayToTheMailtoHandler) {
  WineCase c("MapiOtherWidth");
  MailClients clients(c, wine_test::DefaultClient("Poczta Testowa", {}, OtherBits()) + kMailtoHandler, false);
  ASSERT_TRUE(clients.ok());
  ExpectEnd(c.Run("-client auto -from biuro@firma.pl -to anna@firma.pl -subject Oferta"), "");
  const Lines record = AwaitRecord("mailto_calls.txt", "link=\"mailto:anna@firma.pl?subject=Oferta\"");
  EXPECT_EQ(record, Lines{"link=\"mailto:anna@firma.pl?subject=Oferta\""});
  EXPECT_TRUE(Record("mapi_calls.txt").empty());
  EXPECT_NE(c.Log().find("Simple MAPI pominięte: biblioteka Simple MAPI programu „Poczta Testowa” "
                         "(C:\\wrenpost-tools\\mapi_stand_in" + OtherBits() + ".dll) jest " + OtherBits() +
                         "-bitowa, a Wrenpost działa jako program " + Bits() + "-bitowy.\r\n"
                         "Program pocztowy: mailto_handler.exe (mailto:)\r\n"
                         "Nadawca nie został wybrany: biuro@firma.pl (link mailto: nie przenosi nadawcy)\r\n"),
            std::string::npos)
      << c.Log();
}

// A stand-in mapi32.dll (`stand_in`, of the program's width) in the place of
// Wine's own in the system folder while `run` runs.
template <typename Run>
RunResult WithSystemMapi32(const std::string& bits, const std::string& stand_in, Run run) {
  const fs::path system_mapi = DriveC() / (bits == "32" ? "windows/syswow64" : "windows/system32") / "mapi32.dll";
  const fs::path kept = Tools() / "mapi32.wine.dll";
  fs::copy_file(system_mapi, kept, fs::copy_options::overwrite_existing);
  fs::copy_file(Tools() / (stand_in + bits + ".dll"), system_mapi, fs::copy_options::overwrite_existing);
  const RunResult result = run();
  fs::copy_file(kept, system_mapi, fs::copy_options::overwrite_existing);
  WineCase::Wine({"reg", "delete", "HKCU\\Software\\Wine\\DllOverrides", "/v", "mapi32", "/f"});
  return result;
}

// Wine loads the stand-in only when told to prefer it to its own.
const std::string kNativeMapi32 = "[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n\"mapi32\"=\"native\"\r\n";

// Windows 7's mapi32.dll exports only MAPISendMail: the message goes through
// it, its texts in the ANSI code page.
TEST_F(WineMailClients, Mapi32WithOnlyTheAnsiEntryGetsTheMessageInTheAnsiCodePage) {
  WineCase c("MapiAnsiOnly");
  MailClients clients(c, DefaultClient("Poczta Testowa") + kNativeMapi32, false);
  ASSERT_TRUE(clients.ok());
  const RunResult run = WithSystemMapi32(Bits(), "mapi32_ansi", [&] {
    return c.Run("-client mapi -to anna@firma.pl -subject Zażółć -body Dzień dobry");
  });
  ExpectEnd(run, "");
  EXPECT_EQ(Record("mapi_calls.txt"),
            (Lines{"MAPISendMail provider=" + Bits() + "-bit session=0 parent=0 flags=0x0000000D",
                   "recipient class=1 name=\"anna@firma.pl\" address=\"SMTP:anna@firma.pl\"", "originator=null",
                   "subject=\"Zażółć\"", "body=\"Dzień dobry\"", "answer 0"}));
}

// Simple MAPI that cannot be used: -client auto goes on to the mailto: handler.
TEST_F(WineMailClients, Mapi32WithNeitherEntryGivesWayToTheMailtoHandler) {
  WineCase c("MapiUnusable");
  MailClients clients(c, DefaultClient("Poczta Testowa") + kMailtoHandler + kNativeMapi32, false);
  ASSERT_TRUE(clients.ok());
  const RunResult run =
      WithSystemMapi32(Bits(), "mapi32_empty", [&] { return c.Run("-client auto -to anna@firma.pl -subject S"); });
  ExpectEnd(run, "");
  EXPECT_EQ(AwaitRecord("mailto_calls.txt", "link=\"mailto:anna@firma.pl?subject=S\""),
            Lines{"link=\"mailto:anna@firma.pl?subject=S\""});
  EXPECT_NE(c.Log().find("Simple MAPI pominięte: biblioteka Simple MAPI (mapi32.dll) nie ma funkcji MAPISendMailW "
                         "ani MAPISendMail.\r\nProgram pocztowy: mailto_handler.exe (mailto:)\r\n"),
            std::string::npos)
      << c.Log();
}

TEST_F(WineMailClients, RegisteredAutomationServerStillComesFirst) {
  WineCase c("AutoOutlook");
  MailClients clients(c, DefaultClient("Poczta Testowa"), true);
  ASSERT_TRUE(clients.ok());
  ExpectEnd(c.Run("-client auto -subject Oferta"), "");
  const Lines calls = c.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[1], "Application.CreateItem METHOD VT_I2:0");
  EXPECT_TRUE(Record("mapi_calls.txt").empty());
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\nParametry: -client auto -subject Oferta\r\nDodanie tematu: Oferta\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\nKoniec programu.\r\n");
}

// No client for the message: the 429 box, its description saying what is missing.
void ExpectRefusal(const WineCase& c, const std::string& args, const std::string& in, const std::string& description) {
  ExpectEnd(c.Run(args), Box429(in));
  EXPECT_TRUE(c.Log().ends_with("\r\n\r\n\r\nWystąpił błąd (429): " + description +
                                "\r\nProgram zakończony błędem.\r\n"))
      << c.Log();
}

TEST_F(WineMailClients, MailtoHandlerIsNotGivenWhatALinkCannotCarry) {
  WineCase c("MailtoAttachment");
  MailClients clients(c, kMailtoHandler, false);
  ASSERT_TRUE(clients.ok());
  c.WriteFile("a.pdf", "%PDF-1.4\n");
  ExpectRefusal(c, "-client auto -from biuro@firma.pl -to anna -attachment " + c.WinPath("a.pdf"),
                "programie mailto_handler.exe",
                "Domyślny program pocztowy „mailto_handler.exe” przyjmuje wiadomość tylko jako link mailto:, a ten "
                "nie przeniesie załączników (1).");
  EXPECT_TRUE(Record("mailto_calls.txt").empty());
}

TEST_F(WineMailClients, NoClientAtAllGives429SayingWhatIsMissing) {
  WineCase c("NoClient");
  MailClients clients(c, "", false);
  ASSERT_TRUE(clients.ok());
  ExpectRefusal(c, "-client auto -to anna", "programie pocztowym",
                "Nie znaleziono programu pocztowego: MS Outlook nie jest zarejestrowany do automatyzacji, w "
                "Software\\Clients\\Mail nie ma domyślnego programu pocztowego, a linków mailto: nie obsługuje "
                "żaden program.");
}

}  // namespace
}  // namespace wrenpost::wine_test
