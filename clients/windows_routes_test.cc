// The routes to a Windows mail client other than Outlook's automation: the
// choice from the registry, the command line that starts Thunderbird, the
// Simple MAPI message, the mailto: link and the start watch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clients/windows_command_line.h"
#include "clients/windows_mail_route.h"
#include "clients/mailto_message.h"
#include "clients/simple_mapi_message.h"
#include "clients/start_watch.h"

namespace wrenpost {
namespace {

const std::string kThunderbirdExe = "C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe";
const RegisteredMailClient kThunderbird{"Mozilla Thunderbird", "C:\\Program Files\\Mozilla Thunderbird\\mozMapi32.dll",
                                        "\"" + kThunderbirdExe + "\" -mail"};
const RegisteredMailClient kEmClient{"eM Client", "C:\\Program Files\\eM Client\\MailClient.Mapi.dll",
                                     "\"C:\\Program Files\\eM Client\\MailClient.exe\""};
const RegisteredMailClient kNoMapi{"Poczta", "", "C:\\Poczta\\poczta.exe"};
const RegisteredMailClient kEmClient64{"eM Client", kEmClient.dll_path, kEmClient.open_command, 64};
const RegisteredMailClient kBetterbird{"Betterbird", "", "\"C:\\Betterbird\\betterbird.exe\" -mail"};
const std::string kHandler = "C:\\h\\handler.exe \"%1\"";

struct RouteCase {
  const char* name;
  ClientName asked;
  MailRegistry registry;
  std::string description;  // RouteDescription; empty when the choice fails
  std::string executable;
  int number;             // the failure's; 0: none
  std::string described;  // a part of the failure's description, or of the route's note
};

void PrintTo(const RouteCase& c, std::ostream* out) { *out << c.name; }

class ChooseMailRouteTest : public testing::TestWithParam<RouteCase> {};

TEST_P(ChooseMailRouteTest, TakesTheFirstRouteThatFits) {
  const RouteCase& c = GetParam();
  if (c.number != 0) {
    try {
      ChooseMailRoute(c.asked, c.registry);
      ADD_FAILURE() << "no failure";
    } catch (const RunError& error) {
      EXPECT_EQ(error.number, c.number);
      EXPECT_NE(error.description.find(c.described), std::string::npos) << error.description;
    }
    return;
  }
  const ChosenRoute route = ChooseMailRoute(c.asked, c.registry);
  EXPECT_EQ(RouteDescription(route), c.description);
  EXPECT_EQ(route.executable, c.executable);
  if (c.described.empty()) {
    EXPECT_EQ(route.note, "");
  } else {
    EXPECT_NE(route.note.find(c.described), std::string::npos) << route.note;
  }
}

const std::string kThunderbirdMailto = "\"" + kThunderbirdExe + "\" -osint -compose \"%1\"";

INSTANTIATE_TEST_SUITE_P(
    Registry, ChooseMailRouteTest,
    testing::Values(
        RouteCase{"ThunderbirdByItsCommandLine", ClientName::kAuto,
                  {"mozilla thunderbird", {kEmClient, kThunderbird}, {}, {}},
                  "Mozilla Thunderbird (wiersz poleceń)", kThunderbirdExe, 0, ""},
        RouteCase{"OtherClientBySimpleMapi", ClientName::kAuto,
                  {"eM Client", {kEmClient64, kThunderbird}, "x", "y.exe", 64}, "eM Client (Simple MAPI)", "", 0, ""},
        RouteCase{"SimpleMapiOfTheOtherWidthGoesOnToMailto", ClientName::kAuto,
                  {"eM Client", {kEmClient64}, "", kHandler, 32}, "handler.exe (mailto:)", "", 0,
                  "Simple MAPI pominięte: biblioteka Simple MAPI programu „eM Client” "
                  "(C:\\Program Files\\eM Client\\MailClient.Mapi.dll) jest 64-bitowa, a Wrenpost działa jako "
                  "program 32-bitowy."},
        RouteCase{"MapiOfTheOtherWidthIs429", ClientName::kMapi, {"eM Client", {kEmClient64}, "", kHandler, 32}, "",
                  "", 429, "jest 64-bitowa, a Wrenpost działa jako program 32-bitowy"},
        RouteCase{"DefaultBetterbirdBeatsThunderbirdsMailtoHandler", ClientName::kAuto,
                  {"Betterbird", {kThunderbird, kBetterbird}, "Thunderbird.Url.mailto", kThunderbirdMailto},
                  "Betterbird (wiersz poleceń)", "C:\\Betterbird\\betterbird.exe", 0, ""},
        RouteCase{"ThunderbirdAsMailtoHandlerBeatsSimpleMapi", ClientName::kDefault,
                  {"eM Client", {kEmClient, kThunderbird}, "Thunderbird.Url.mailto", kThunderbirdMailto},
                  "Mozilla Thunderbird (wiersz poleceń)", kThunderbirdExe, 0, ""},
        RouteCase{"UnregisteredBetterbirdHandlerByItsTraits", ClientName::kAuto,
                  {"", {}, "", "C:\\Betterbird\\BETTERBIRD.EXE -osint -compose %1"},
                  "Betterbird (wiersz poleceń)", "C:\\Betterbird\\BETTERBIRD.EXE", 0, ""},
        RouteCase{"DefaultWithoutSimpleMapiFallsToMailto", ClientName::kAuto,
                  {"Poczta", {kNoMapi}, "", "\"C:\\Poczta\\poczta.exe\" \"%1\""}, "Poczta (mailto:)", "", 0, ""},
        RouteCase{"PackagedMailtoHandlerByItsProgId", ClientName::kAuto, {"", {}, "AppXv2n8b", ""},
                  "AppXv2n8b (mailto:)", "", 0, ""},
        RouteCase{"MailtoCommandByItsProgram", ClientName::kAuto, {"", {}, "", "C:\\h\\handler.exe \"%1\""},
                  "handler.exe (mailto:)", "", 0, ""},
        RouteCase{"NothingIs429", ClientName::kAuto, {"", {kEmClient}, "", ""}, "", "", 429,
                  "nie ma domyślnego programu pocztowego, a linków mailto: nie obsługuje żaden program"},
        RouteCase{"DefaultWithoutItsKeyIs429", ClientName::kAuto, {"Zniknięty", {kEmClient}, "", ""}, "", "", 429,
                  "„Zniknięty” nie ma swojego klucza"},
        RouteCase{"MapiSkipsThunderbirdsCommandLine", ClientName::kMapi,
                  {"Mozilla Thunderbird", {kThunderbird}, "", ""}, "Mozilla Thunderbird (Simple MAPI)", "", 0, ""},
        RouteCase{"MapiWithoutTheLibraryIs429", ClientName::kMapi, {"Poczta", {kNoMapi}, "", "handler.exe"}, "", "",
                  429, "„Poczta” nie rejestruje Simple MAPI"},
        RouteCase{"ThunderbirdFoundAmongTheClients", ClientName::kThunderbird,
                  {"eM Client", {kEmClient, kThunderbird}, "", ""},
                  "Mozilla Thunderbird (wiersz poleceń)", kThunderbirdExe, 0, ""},
        RouteCase{"BetterbirdMissingIs429", ClientName::kBetterbird,
                  {"Mozilla Thunderbird", {kThunderbird}, "", kThunderbirdMailto}, "", "", 429,
                  "nie uruchamia pliku betterbird.exe"},
        RouteCase{"LinuxClientIsRefused", ClientName::kKmail, {"Mozilla Thunderbird", {kThunderbird}, "", ""}, "", "",
                  5, "„kmail” działa tylko w systemie Linux"}),
    [](const testing::TestParamInfo<RouteCase>& param) { return std::string(param.param.name); });

TEST(ChooseMailRoute, SimpleMapiKeepsTheMailtoHandlerToGoOnTo) {
  EXPECT_EQ(ChooseMailRoute(ClientName::kAuto, {"eM Client", {kEmClient}, "", kHandler}).fallback_name, "handler.exe");
  EXPECT_EQ(ChooseMailRoute(ClientName::kAuto, {"eM Client", {kEmClient}, "", ""}).fallback_name, "");
  EXPECT_EQ(ChooseMailRoute(ClientName::kMapi, {"eM Client", {kEmClient}, "", kHandler}).fallback_name, "");
}

TEST(PeWidth, ReadsTheMachineTypeOfThePeHeader) {
  const auto header = [](std::uint16_t machine, std::uint8_t pe_at = 0x40, const char* mz = "MZ") {
    std::string bytes(0x80, '\0');
    bytes.replace(0, 2, mz);
    bytes[0x3C] = static_cast<char>(pe_at);
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    bytes[0x44] = static_cast<char>(machine & 0xFF);
    bytes[0x45] = static_cast<char>(machine >> 8);
    return bytes;
  };
  EXPECT_EQ(PeWidth(header(0x014C)), 32);
  EXPECT_EQ(PeWidth(header(0x8664)), 64);
  EXPECT_EQ(PeWidth(header(0xAA64)), 64);
  EXPECT_EQ(PeWidth(header(0x0200)), 0);  // Itanium: no width this program has
  EXPECT_EQ(PeWidth(header(0x8664, 0x7E)), 0);
  EXPECT_EQ(PeWidth(header(0x8664, 0x40, "ZM")), 0);
  EXPECT_EQ(PeWidth(header(0x8664).substr(0, 0x44)), 0);
}

TEST(ExecutableOfCommand, ReadsTheProgramOfARegisteredCommand) {
  const std::pair<std::string, std::string> cases[] = {
      {kThunderbirdMailto, kThunderbirdExe}, {kThunderbirdExe + " -mail", kThunderbirdExe},
      {"  C:\\Narzędzia\\Handler.EXE", "C:\\Narzędzia\\Handler.EXE"}, {"C:\\a.exec\\b.exe x", "C:\\a.exec\\b.exe"},
      {"rundll32.exe url.dll,FileProtocolHandler %1", "rundll32.exe"}, {"\"C:\\unclosed", "C:\\unclosed"},
      {"handler %1", "handler"}, {"", ""}};
  for (const auto& [command, executable] : cases) EXPECT_EQ(ExecutableOfCommand(command), executable) << command;
}

// The arguments of a command line as CommandLineToArgvW and the C runtime
// read them: the program's name up to its closing quote or first blank, then
// 2n backslashes and a quote give n backslashes and open or close quoting,
// 2n+1 give n and a literal quote, other backslashes are literal; two quotes
// within quotes give one.
std::vector<std::string> ReadCommandLine(const std::string& line) {
  std::vector<std::string> argv;
  std::size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    const auto close = line.find('"', 1);
    argv.push_back(line.substr(1, close - 1));
    i = close + 1;
  } else {
    i = line.find_first_of(" \t");
    argv.push_back(line.substr(0, i));
  }
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument += '"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          argument += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        argument.append(backslashes, '\\');
        if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) argument += line[i++];
      }
    }
    argv.push_back(argument);
  }
  return argv;
}

TEST(BuildCommandLine, EveryArgumentReadsBackExactly) {
  const std::vector<std::string> arguments = {"-compose",
                                              "",
                                              "a b",
                                              "a\"b",
                                              "a\\",
                                              "C:\\Moje dokumenty\\",
                                              "a\\\\\"b",
                                              "\\\\serwer\\udział\\",
                                              "tab\there",
                                              "Zażółć",
                                              "\"",
                                              "x\\\"y",
                                              "to=anna%40firma.pl,subject=Oferta"};
  const std::string line = BuildCommandLine(kThunderbirdExe, arguments);
  std::vector<std::string> expected = {kThunderbirdExe};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(ReadCommandLine(line), expected) << line;
  EXPECT_EQ(BuildCommandLine("C:\\t.exe", {"-compose", "to=a"}), "\"C:\\t.exe\" -compose to=a");
  // Counted in UTF-16 units, its NUL included: never cut.
  EXPECT_FALSE(CommandLineTooLong("T", std::string(32760, 'a') + "żżżżżż").has_value());
  const auto too_long = CommandLineTooLong("T", std::string(32761, 'a') + "żżżżżż");
  ASSERT_TRUE(too_long.has_value());
  EXPECT_EQ(too_long->number, 5);
  EXPECT_NE(too_long->description.find("miałby 32767 znaków"), std::string::npos) << too_long->description;
}

TEST(ComposeCommandLine, ATooLongFieldNamesWindowsLimit) {
  MessageDraft draft;
  draft.subject = std::string(200000, 'a');
  try {
    ComposeCommandLine("Mozilla Thunderbird", kThunderbirdExe, draft, std::nullopt);
    ADD_FAILURE() << "no failure";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number, 5);
    EXPECT_NE(error.description.find("a Windows przyjmuje najwięcej 32766"), std::string::npos) << error.description;
  }
}

MessageDraft OfferDraft() {
  MessageDraft draft;
  draft.to = {"anna@firma.pl", "Jan Nowak"};
  draft.cc = {"b@firma.pl"};
  draft.subject = "Oferta";
  draft.html = true;
  draft.body = "<p>Dzień dobry</p>";
  draft.attachments = {"C:\\f.pdf"};
  return draft;
}

TEST(SimpleMapiMessage, CarriesTheDraftAsSimpleMapiTakesIt) {
  MessageDraft draft = OfferDraft();
  draft.cc.push_back(" c@d.pl");
  draft.bcc = {"Ewa Lis <ewa@firma.pl>", " ", "<szef@firma.pl>"};
  draft.from = "biuro@firma.pl";
  draft.attachments.push_back("C:/Dokumenty/umowa.pdf");
  const MapiMessage message = SimpleMapiMessage(draft);
  EXPECT_EQ(message.subject, "Oferta");
  EXPECT_EQ(message.note_text, "Dzień dobry");
  const std::vector<std::tuple<std::uint32_t, std::string, std::string>> expected = {
      {kMapiTo, "anna@firma.pl", "SMTP:anna@firma.pl"},
      {kMapiTo, "Jan Nowak", ""},
      {kMapiCc, "b@firma.pl", "SMTP:b@firma.pl"},
      {kMapiCc, " c@d.pl", "SMTP:c@d.pl"},
      {kMapiBcc, "Ewa Lis", "SMTP:ewa@firma.pl"},
      {kMapiBcc, "szef@firma.pl", "SMTP:szef@firma.pl"}};
  std::vector<std::tuple<std::uint32_t, std::string, std::string>> got;
  for (const MapiRecipient& r : message.recipients) got.emplace_back(r.recipient_class, r.name, r.address);
  EXPECT_EQ(got, expected);
  ASSERT_EQ(message.attachments.size(), 2u);
  EXPECT_EQ(message.attachments[0].path, "C:\\f.pdf");
  EXPECT_EQ(message.attachments[0].name, "f.pdf");
  EXPECT_EQ(message.attachments[1].name, "umowa.pdf");
  ASSERT_EQ(message.originator.size(), 1u);
  EXPECT_EQ(message.originator[0].recipient_class, kMapiOrig);
  EXPECT_EQ(message.originator[0].address, "SMTP:biuro@firma.pl");
  draft.from = " ";
  EXPECT_TRUE(SimpleMapiMessage(draft).originator.empty());

  draft.html = false;
  draft.body = "a\nb\rc\r\nd<p>";
  EXPECT_EQ(SimpleMapiMessage(draft).note_text, "a\r\nb\r\nc\r\nd<p>");
}

TEST(ReadMapiAnswer, OnlyRealFailuresFailAndOnlyAModelessRefusalAsksAgain) {
  EXPECT_EQ(ReadMapiAnswer(0, kModelessFlags), MapiAnswer::kShown);
  EXPECT_EQ(ReadMapiAnswer(1, kDialogFlags), MapiAnswer::kClosedByUser);
  EXPECT_EQ(ReadMapiAnswer(26, kModelessFlags), MapiAnswer::kModelessRefused);
  EXPECT_EQ(ReadMapiAnswer(2, kModelessFlags), MapiAnswer::kModelessRefused);
  EXPECT_EQ(ReadMapiAnswer(26, kDialogFlags), MapiAnswer::kFailed);
  EXPECT_EQ(ReadMapiAnswer(3, kModelessFlags), MapiAnswer::kFailed);
  // Both ask for the compose window (never a send without it) and may log on;
  // only the first is modeless (MAPI_DIALOG_MODELESS holds MAPI_DIALOG's bit).
  for (const std::uint32_t flags : {kModelessFlags, kDialogFlags}) {
    EXPECT_EQ(flags & (kMapiDialog | kMapiLogonUi), kMapiDialog | kMapiLogonUi) << flags;
    EXPECT_EQ(flags & ~(kMapiDialogModeless | kMapiLogonUi), 0u) << flags;
  }
  EXPECT_EQ(kModelessFlags & kMapiDialogModeless, kMapiDialogModeless);
  EXPECT_NE(kDialogFlags & kMapiDialogModeless, kMapiDialogModeless);
  const RunError known = MapiFailure(3), unknown = MapiFailure(99);
  EXPECT_EQ(known.number, 32003);
  EXPECT_EQ(known.description,
            "Program pocztowy nie otworzył wiadomości: MAPISendMailW zwróciła kod 3 "
            "(MAPI_E_LOGIN_FAILURE).");
  EXPECT_EQ(unknown.number, 32099);
  EXPECT_EQ(unknown.description, "Program pocztowy nie otworzył wiadomości: MAPISendMailW zwróciła kod 99.");
}

TEST(Mailto, CarriesWhatALinkCanAndNamesWhatItCannot) {
  MessageDraft draft = OfferDraft();
  EXPECT_EQ(MailtoUrlOf(draft),
            "mailto:anna@firma.pl,%22Jan%20Nowak%22?cc=b%40firma.pl&subject=Oferta&body=Dzie%C5%84%20dobry");
  draft.bcc = {"ewa@firma.pl"};
  EXPECT_NE(MailtoUrlOf(draft).find("&bcc=ewa%40firma.pl&"), std::string::npos) << MailtoUrlOf(draft);
  EXPECT_EQ(MailtoRefusal("Poczta", draft, true, 60)->description,
            "Domyślny program pocztowy „Poczta” przyjmuje wiadomość tylko jako link mailto:, a ten nie przeniesie "
            "załączników (1) ani nadawcy.");
  draft.attachments.clear();
  EXPECT_FALSE(MailtoRefusal("Poczta", draft, false, kMaxMailtoUrlLength).has_value());
  const auto too_long = MailtoRefusal("Poczta", draft, false, kMaxMailtoUrlLength + 1);
  ASSERT_TRUE(too_long.has_value());
  EXPECT_EQ(too_long->number, 429);
  EXPECT_NE(too_long->description.find("(link miałby 2049 znaków, najwięcej 2048)"), std::string::npos);
  // A link handed over as one Linux argument may be longer.
  EXPECT_FALSE(MailtoRefusal("Poczta", draft, false, kMaxMailtoUrlLength + 1, 128 * 1024 - 1).has_value());
}

TEST(StartFailure, OnlyAnEarlyFailingEndFailsAndItsFirstLineSaysWhy) {
  using Kind = StartOutcome::Kind;
  EXPECT_FALSE(StartFailure("Thunderbird", {Kind::kRunning, 0, "Error: x"}).has_value());
  EXPECT_FALSE(StartFailure("Thunderbird", {Kind::kStarted, 0, "Error: x"}).has_value());
  EXPECT_FALSE(StartFailure("Thunderbird", {Kind::kExited, 0, "Error: x"}).has_value());
  const auto with_line = StartFailure("Thunderbird", {Kind::kExited, 1, "\r\n  \n Error: no profile  \r\nnext\n"});
  ASSERT_TRUE(with_line.has_value());
  EXPECT_EQ(with_line->number, 429);
  EXPECT_EQ(with_line->description, "Error: no profile");
  EXPECT_EQ(StartFailure("Thunderbird", {Kind::kExited, 1, " \r\n"})->description,
            "Program Thunderbird zakończył pracę zaraz po uruchomieniu (kod 1) i nie otworzył wiadomości.");
  EXPECT_NE(StartFailure("Thunderbird", {Kind::kExited, 0xC0000005, ""})->description.find("(kod 0xC0000005)"),
            std::string::npos);
  // Geary's launcher that hands over to a running Geary ends with 255; another client's 255 is a failure.
  EXPECT_FALSE(StartFailure("Geary", {Kind::kExited, 255, ""}, HandOverExitCode(ClientName::kGeary)).has_value());
  EXPECT_TRUE(StartFailure("Evolution", {Kind::kExited, 255, ""}, HandOverExitCode(ClientName::kEvolution)));
  EXPECT_EQ(StartFailure("Geary", {Kind::kKilled, 9, ""})->description,
            "Program Geary został przerwany zaraz po uruchomieniu (sygnał 9) i nie otworzył wiadomości.");
  EXPECT_EQ(FirstOutputLine("\xC5 b\xFF\n"), "\xEF\xBF\xBD b\xEF\xBF\xBD");
  std::string polish;
  for (int i = 0; i < 300; ++i) polish += "ż";
  EXPECT_EQ(FirstOutputLine(polish), polish.substr(0, 400));
  // The 400th byte inside a character: the line ends before it, never with half of it.
  EXPECT_EQ(FirstOutputLine("a" + polish), "a" + polish.substr(0, 398));
}

TEST(StartSigns, EachClientIsWatchedForWhatItReallyLeaves) {
  struct Case {
    ClientName name;
    Packaging packaging;
    std::string sandbox;
    std::string profiles_root, held_file;
    std::vector<std::string> bus_names;
    bool lock_pid_inside;
  };
  const Case cases[] = {
      {ClientName::kThunderbird, Packaging::kPlain, "", "/h/.thunderbird", "", {"org.mozilla.thunderbird."}, false},
      {ClientName::kThunderbird, Packaging::kSnap, "thunderbird", "/h/snap/thunderbird/common/.thunderbird", "",
       {"org.mozilla.thunderbird."}, false},
      {ClientName::kThunderbird, Packaging::kFlatpak, "org.mozilla.Thunderbird",
       "/h/.var/app/org.mozilla.Thunderbird/.thunderbird", "", {"org.mozilla.thunderbird."}, true},
      {ClientName::kBetterbird, Packaging::kPlain, "", "/h/.thunderbird", "", {"org.mozilla.betterbird."}, false},
      {ClientName::kClawsMail, Packaging::kPlain, "", "", "/h/.claws-mail/claws.log", {}, false},
      {ClientName::kClawsMail, Packaging::kSnap, "claws-mail", "", "/h/snap/claws-mail/current/.claws-mail/claws.log",
       {}, false},
      {ClientName::kEvolution, Packaging::kFlatpak, "org.gnome.Evolution", "", "", {"org.gnome.Evolution"}, false},
      {ClientName::kGeary, Packaging::kPlain, "", "", "", {"org.gnome.Geary"}, false},
      {ClientName::kKmail, Packaging::kPlain, "", "", "", {"org.kde.kmail2", "org.kde.kmail"}, false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(ClientNameText(test.name)) + " " + test.sandbox);
    const StartSigns signs = StartSignsOf(test.name, test.packaging, test.sandbox, "/h");
    EXPECT_EQ(signs.profiles_root, test.profiles_root);
    EXPECT_EQ(signs.held_file, test.held_file);
    EXPECT_EQ(signs.bus_names, test.bus_names);
    EXPECT_EQ(signs.lock_pid_inside, test.lock_pid_inside);
  }
  EXPECT_TRUE(StartSignsOf(ClientName::kDefault, Packaging::kPlain, "", "/h").empty());
}

TEST(StartSigns, LockOwnerAndBusNamesAcceptOnlyTheirOwnForm) {
  EXPECT_EQ(LockOwner("127.0.1.1:+4242"), 4242);
  EXPECT_EQ(LockOwner("fe80::1:+7"), 7);
  for (const char* bad : {"127.0.0.1:4242", "127.0.0.1:+", "127.0.0.1:+0", "127.0.0.1:+12x", "127.0.0.1:+1234567890",
                          "127.0.0.1:+-5", ""}) {
    EXPECT_FALSE(LockOwner(bad).has_value()) << bad;
  }
  const StartSigns thunderbird = StartSignsOf(ClientName::kThunderbird, Packaging::kPlain, "", "/h");
  EXPECT_TRUE(IsSignBusName(thunderbird, "org.mozilla.thunderbird.L3RtcC9w"));
  EXPECT_FALSE(IsSignBusName(thunderbird, "org.mozilla.thunderbird."));
  EXPECT_FALSE(IsSignBusName(thunderbird, "org.mozilla.firefox.L3RtcC9w"));
  const StartSigns evolution = StartSignsOf(ClientName::kEvolution, Packaging::kPlain, "", "/h");
  EXPECT_TRUE(IsSignBusName(evolution, "org.gnome.Evolution"));
  EXPECT_FALSE(IsSignBusName(evolution, "org.gnome.Evolution.x"));
}

}  // namespace
}  // namespace wrenpost
