// The Windows build under Wine in hostile settings: eight runs writing one
// Wrenpost.log at once, another program holding the log without sharing, and
// paths longer than the old 260-character limit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "wine_session.h"
#include "wrenpost_version.h"

namespace wrenpost::wine_test {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

const std::string kHyphens(55, '-');
const std::string kMarker = "[log_holder: held]";

Lines SplitEntries(const std::string& log) {
  Lines lines;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    lines.push_back(log.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::size_t Utf16Length(const std::string& utf8) {
  std::size_t length = 0;
  for (const char c : utf8) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return length;
}

std::string Bstr(const std::string& text) {
  std::string out = "VT_BSTR:\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

class WineHostile : public testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = WineCase::MissingSetting();
    ASSERT_TRUE(missing.empty()) << missing;
  }
};

// --- The log under concurrency -------------------------------------------

constexpr int kRuns = 8;
constexpr int kMissingPerRun = 400;
constexpr int kRecipientsPerRun = 60;

// Entry texts of different lengths, so that a torn write would show.
std::string MissingName(int run, int index) {
  return "brak-" + std::to_string(run) + "-" + std::to_string(index) + "-" +
         std::string(index % 61, 'p');
}

std::string Recipient(int run, int index) {
  return std::to_string(run) + "-" + std::to_string(index) + "@x.pl";
}

TEST_F(WineHostile, EightRunsAtOnceLoseNothingAndKeepEachRunsOrder) {
  WineCase c("Concurrency");
  std::vector<std::string> args(kRuns);
  for (int run = 0; run < kRuns; ++run) {
    std::string missing, recipients;
    for (int i = 0; i < kMissingPerRun; ++i) missing += (i ? ";" : "") + MissingName(run, i);
    for (int i = 0; i < kRecipientsPerRun; ++i) recipients += (i ? ";" : "") + Recipient(run, i);
    args[run] = "-subject run-" + std::to_string(run) + " -attachment " + missing + " -to " + recipients;
  }
  const RunResult result = c.RunTogether(args);
  EXPECT_EQ(result.helper_exit, 0) << "the first client could not start the server";
  EXPECT_FALSE(result.timed_out);
  EXPECT_TRUE(result.boxes.empty()) << result.boxes[0].text;
  EXPECT_EQ(result.exit_codes, std::vector<int>(kRuns, 0));

  // Every line must be one whole entry of a known form, and each run's
  // entries must come in its own order.
  const std::regex missing(R"(Plik brak-(\d)-(\d+)-(p*) nie istnieje!)");
  const std::regex recipient(R"(Dodanie adresata: (\d)-(\d+)@x\.pl)");
  const std::regex subject(R"(Dodanie tematu: run-(\d))");
  const std::string program_line = c.ExeWinPath() + " (" WRENPOST_VERSION_TEXT ")";
  std::map<std::string, int> fixed_lines;
  std::vector<int> next_missing(kRuns, 0), next_recipient(kRuns, 0), subjects(kRuns, 0);
  Lines unknown;
  int switches = 0, last_run = -1;  // how often the writer changed between entries
  for (const std::string& line : SplitEntries(c.Log())) {
    std::smatch match;
    int run = -1;
    if (std::regex_match(line, match, missing)) {
      run = std::stoi(match[1]);
      const int index = std::stoi(match[2]);
      EXPECT_EQ(index, next_missing[run]) << "run " << run << " out of order or lost an entry";
      EXPECT_EQ(match[3].length(), index % 61) << line;
      next_missing[run] = index + 1;
    } else if (std::regex_match(line, match, recipient)) {
      run = std::stoi(match[1]);
      const int index = std::stoi(match[2]);
      EXPECT_EQ(index, next_recipient[run]) << "run " << run << " out of order or lost an entry";
      EXPECT_EQ(next_missing[run], kMissingPerRun) << "recipients before the attachments in run " << run;
      next_recipient[run] = index + 1;
    } else if (std::regex_match(line, match, subject)) {
      ++subjects[std::stoi(match[1])];
    } else if (line.starts_with("Parametry: -subject run-")) {
      ++fixed_lines["Parametry"];
    } else if (line == "<date line>" || line.empty() || line == kHyphens || line == program_line ||
               line == "Wyświetlenie okna nowej wiadomości." || line == "Koniec programu.") {
      ++fixed_lines[line];
    } else {
      unknown.push_back(line.substr(0, 200));
    }
    if (run >= 0 && run != last_run) {
      switches += last_run >= 0;
      last_run = run;
    }
  }
  EXPECT_THAT(unknown, IsEmpty()) << "torn or foreign lines";
  for (int run = 0; run < kRuns; ++run) {
    EXPECT_EQ(next_missing[run], kMissingPerRun) << "run " << run;
    EXPECT_EQ(next_recipient[run], kRecipientsPerRun) << "run " << run;
    EXPECT_EQ(subjects[run], 1) << "run " << run;
  }
  EXPECT_EQ(fixed_lines["<date line>"], kRuns);
  EXPECT_EQ(fixed_lines["Parametry"], kRuns);
  EXPECT_EQ(fixed_lines[kHyphens], kRuns);
  EXPECT_EQ(fixed_lines[program_line], kRuns);
  EXPECT_EQ(fixed_lines["Wyświetlenie okna nowej wiadomości."], kRuns);
  EXPECT_EQ(fixed_lines["Koniec programu."], kRuns);
  EXPECT_EQ(fixed_lines[""], 5 * kRuns);  // two per header and the "\r\n" entry, one before the program line
  // Runs one after another would prove nothing about sharing the file.
  EXPECT_GT(switches, kRuns) << "the runs did not write at the same time";

  // The server saw each run's recipients in that run's order, and every
  // object was let go.
  std::vector<int> next_added(kRuns, 0);
  int displays = 0, activations = 0, ends = 0, unclean = 0;
  const std::regex added(R"re(Recipients\.Add METHOD VT_BSTR:"(\d)-(\d+)@x\.pl")re");
  for (const std::string& call : c.Calls()) {
    std::smatch match;
    if (std::regex_match(call, match, added)) {
      const int run = std::stoi(match[1]);
      EXPECT_EQ(std::stoi(match[2]), next_added[run]) << "run " << run;
      next_added[run] = std::stoi(match[2]) + 1;
    }
    displays += call == "MailItem.Display METHOD";
    activations += call == "ClassFactory.CreateInstance";
    ends += call.starts_with("exit ");
    unclean += call.starts_with("exit ") && call != "exit objects=0";
  }
  EXPECT_EQ(next_added, std::vector<int>(kRuns, kRecipientsPerRun));
  EXPECT_EQ(displays, kRuns);
  EXPECT_EQ(activations, kRuns + 1);  // and the first client's
  EXPECT_GE(ends, 1);
  EXPECT_EQ(unclean, 0);
}

// --- The log held by another program -------------------------------------

constexpr int kHeldRunEntries = 600;

std::string NumberedMissing(int index) {
  std::string number = std::to_string(index);
  return "brak-" + std::string(4 - number.size(), '0') + number;
}

struct HeldLogCase {
  const char* name;
  int hold_ms;
  int lost;  // entries given up while the file was held
};

class HeldLog : public WineHostile, public testing::WithParamInterface<HeldLogCase> {};

// A run busy writing one "Plik … nie istnieje!" entry after another; once
// entry 50 is in the file, log_holder takes the file without sharing, writes
// its marker and keeps it for a while. Each entry waits about a second for
// the file and is then given up: 0.3 s loses nothing, 1.5 s loses exactly the
// entry that was waiting when the hold began (the next one waits the rest).
TEST_P(HeldLog, EntriesWaitForTheFileThenGiveUpAndTheRunGoesOn) {
  const HeldLogCase& param = GetParam();
  WineCase c(param.name);
  std::string list;
  for (int i = 0; i < kHeldRunEntries; ++i) list += (i ? ";" : "") + NumberedMissing(i);
  const std::string event = std::string("WrenpostLogHolder") + param.name;
  const std::string holder = "\"C:\\wrenpost-tools\\log_holder.exe\" \"" + c.WinPath("Wrenpost.log") +
                             "\" " + std::to_string(param.hold_ms) + " \"Plik " + NumberedMissing(50) +
                             " \" " + event + " \"" + c.WinPath("holder.txt") + "\"";
  const RunResult run = c.RunBeside(holder, event, "-subject trzymany -attachment " + list + " -to anna");
  ASSERT_EQ(run.report.at("helper_ready"), "1");
  ASSERT_EQ(run.helper_exit, 0) << "log_holder could not hold the log";
  EXPECT_FALSE(run.timed_out);
  EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
  EXPECT_EQ(run.exit_code, 0);

  const Lines lines = SplitEntries(c.Log());
  const auto marker = std::find(lines.begin(), lines.end(), kMarker);
  ASSERT_NE(marker, lines.end()) << "the holder's marker is missing";
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kMarker), 1);
  // The entries before and after the hold, by their numbers.
  const std::regex entry(R"(Plik brak-(\d{4}) nie istnieje!)");
  std::vector<int> before, after;
  for (auto line = lines.begin(); line != lines.end(); ++line) {
    std::smatch match;
    if (std::regex_match(*line, match, entry)) (line < marker ? before : after).push_back(std::stoi(match[1]));
  }
  ASSERT_FALSE(before.empty());
  ASSERT_FALSE(after.empty()) << "the hold began after the run had written its last entry";
  for (std::size_t i = 0; i < before.size(); ++i) ASSERT_EQ(before[i], static_cast<int>(i));
  EXPECT_GE(before.back(), 50);
  // Whatever was lost was lost at the hold, nowhere else.
  const int first_after = before.back() + 1 + param.lost;
  EXPECT_EQ(after.front(), first_after) << "log_holder: " << c.ReadText("holder.txt");
  for (std::size_t i = 0; i < after.size(); ++i) ASSERT_EQ(after[i], first_after + static_cast<int>(i));
  EXPECT_EQ(after.back(), kHeldRunEntries - 1);
  EXPECT_THAT(c.Log(), EndsWith("Plik " + NumberedMissing(kHeldRunEntries - 1) +
                                " nie istnieje!\r\nWyświetlenie okna nowej wiadomości.\r\n"
                                "Dodanie adresata: anna\r\nKoniec programu.\r\n"));
  // The run still reached the server and ended it cleanly.
  const Lines calls = c.Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "exit objects=0");
  EXPECT_NE(std::find(calls.begin(), calls.end(), "Recipients.Add METHOD VT_BSTR:\"anna\""), calls.end());
}

INSTANTIATE_TEST_SUITE_P(WineHostile, HeldLog,
                         testing::Values(HeldLogCase{"HeldForAMoment", 300, 0},
                                         HeldLogCase{"HeldLonger", 1500, 1}),
                         [](const testing::TestParamInfo<HeldLogCase>& info) { return info.param.name; });

// --- Paths longer than 260 characters ------------------------------------

// Nested folders with Polish names, together well over 260 characters.
std::string LongFolder() {
  std::string folder;
  for (int i = 1; i <= 7; ++i) folder += (i > 1 ? "\\" : "") + std::string("Długa nazwa katalogu z ofertami ") + std::to_string(i);
  return folder;
}

TEST_F(WineHostile, AttachmentAndBodyFileBeyond260Characters) {
  WineCase c("LongPaths");
  const std::string folder = LongFolder();
  fs::create_directories(c.UnixPath(folder));
  c.WriteFile(folder + "\\oferta ąę.pdf", "%PDF-1.4\n");
  c.WriteFile(folder + "\\treść.html", ToCp1250("<p>Dzień dobry,</p>\r\n<p>oferta.</p>\r\n"));
  const std::string attachment = c.WinPath(folder + "\\oferta ąę.pdf");
  const std::string missing = c.WinPath(folder + "\\brak.pdf");
  const std::string body_file = c.WinPath(folder + "\\treść.html");
  ASSERT_GT(Utf16Length(attachment), 260u);
  ASSERT_GT(Utf16Length(body_file), 260u);
  const std::string args = "-bodyfile " + body_file + " -html 1 -bodyfiledelete 1 -attachment " + attachment + ";" +
                           missing + " -to anna";
  const RunResult run = c.Run(args);
  EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
  EXPECT_EQ(run.exit_code, 0);
  const std::string body = "<p>Dzień dobry,</p><p>oferta.</p>";
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.HtmlBody PROPERTYPUT named=PROPERTYPUT " + Bstr(body),
                           "MailItem.Attachments PROPERTYGET",
                           "Attachments.Add METHOD " + Bstr(attachment),
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
  EXPECT_FALSE(fs::exists(c.UnixPath(folder + "\\treść.html"))) << "the body file was not deleted";
  EXPECT_EQ(c.Log(), ExpectedHeader(c.ExeWinPath()) +
                         "\r\n\r\n"
                         "Parametry: " + args + "\r\n"
                         "Dodanie treści html: " + body + "\r\n"
                         "Dodanie załącznika: " + attachment + "\r\n"
                         "Plik " + missing + " nie istnieje!\r\n"
                         "Wyświetlenie okna nowej wiadomości.\r\n"
                         "Dodanie adresata: anna\r\n"
                         "Koniec programu.\r\n");
}

// Where the program sits: a folder whose log path (but not the program's own
// path, which CreateProcessW limits) passes 260 characters, and a folder past
// the limit for the program itself, started from Linux as Wine allows.
struct ProgramFolderCase {
  const char* name;
  const char* exe_name;
  bool from_linux;
};

class ProgramFolder : public WineHostile, public testing::WithParamInterface<ProgramFolderCase> {};

TEST_P(ProgramFolder, LogAndHeaderFollowTheProgramBeyond260Characters) {
  const ProgramFolderCase& param = GetParam();
  // C:\cases\<name>\<folder>\W.exe stays at 259 characters or fewer while
  // Wrenpost.log beside it passes 260.
  const std::string folder = param.from_linux ? LongFolder() : "Łódź\\" + std::string(219, 'k');
  WineCase c(param.name, folder, param.exe_name);
  const std::string log_path = c.WinPath(folder + "\\Wrenpost.log");
  ASSERT_GT(Utf16Length(log_path), 260u);
  if (param.from_linux) {
    ASSERT_GT(Utf16Length(c.ExeWinPath()), 260u);
  } else {
    ASSERT_LE(Utf16Length(c.ExeWinPath()), 259u);
  }

  int exit_code = -1;
  if (param.from_linux) {
    exit_code = c.RunFromLinux({"-subject", "długa", "-to", "anna"});
  } else {
    const RunResult run = c.Run("-subject długa -to anna");
    EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
    exit_code = run.exit_code;
  }
  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Subject PROPERTYPUT named=PROPERTYPUT " + Bstr("długa"),
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "release Recipient",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
                           "exit objects=0",
                       }));
  const fs::path log = c.UnixPath(folder + "\\Wrenpost.log");
  ASSERT_TRUE(fs::exists(log)) << "no log beside the program";
  const std::string expected_tail = "Parametry: -subject długa -to anna\r\n"
                                    "Dodanie tematu: długa\r\n"
                                    "Wyświetlenie okna nowej wiadomości.\r\n"
                                    "Dodanie adresata: anna\r\n"
                                    "Koniec programu.\r\n";
  EXPECT_EQ(c.LogAt(folder + "\\Wrenpost.log"), ExpectedHeader(c.ExeWinPath()) + "\r\n\r\n" + expected_tail);
}

INSTANTIATE_TEST_SUITE_P(WineHostile, ProgramFolder,
                         testing::Values(ProgramFolderCase{"LogPathBeyond260", "W.exe", false},
                                         ProgramFolderCase{"ProgramBeyond260", "Wrenpost.exe", true}),
                         [](const testing::TestParamInfo<ProgramFolderCase>& info) { return info.param.name; });

}  // namespace
}  // namespace wrenpost::wine_test
