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

#include "tests/support/log_text.h"
#include "wine_session.h"
#include "wrenpost_version.h"

namespace wrenpost::wine_test {
namespace {

namespace fs = std::filesystem;
using test_support::LogEntries;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

const std::string kHyphens(55, '-');
const std::string kMarker = "[log_holder: held]";

std::size_t Utf16Length(const std::string& utf8) {
  std::size_t length = 0;
  for (const char c : utf8) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return length;
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
  for (const std::string& line : LogEntries(c.Log())) {
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
  // How much the runs really wrote at the same time is the scheduler's doing:
  // reported, not asserted.
  RecordProperty("writer_switches", switches);

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
constexpr int kHoldFrom = 100, kReleaseAt = 500;  // the list's two real files

std::string NumberedMissing(int index) {
  std::string number = std::to_string(index);
  return "brak-" + std::string(4 - number.size(), '0') + number;
}

std::string HolderCommand(const WineCase& c, int hold_ms, const std::string& after,
                          const std::string& event) {
  return "\"C:\\wrenpost-tools\\log_holder.exe\" \"" + c.WinPath("Wrenpost.log") + "\" " +
         std::to_string(hold_ms) + " \"" + after + "\" " + event + " \"" + c.WinPath("holder.txt") +
         "\"";
}

struct HeldLogCase {
  const char* name;
  int hold_ms;
  bool released_by_the_run;  // at the second file's Add, not after hold_ms
};

class HeldLog : public WineHostile, public testing::WithParamInterface<HeldLogCase> {};

// A run busy writing one "Plik … nie istnieje!" entry after another, with two
// real files in its list. The fake server keeps the first file's Add until
// log_holder holds the log (its entry is the holder's cue); the hold ends after
// a while, or when the server gets the second file's Add. An entry waits about
// a second for the file; once one was given up, the later ones are lost at
// once while the file stays held. Entries are lost only during the hold.
TEST_P(HeldLog, EntriesWaitForTheFileThenGiveUpAndTheRunGoesOn) {
  const HeldLogCase& param = GetParam();
  WineCase c(param.name);
  c.WriteFile("pierwszy.pdf", "%PDF-1.4\n");
  c.WriteFile("drugi.pdf", "%PDF-1.4\n");
  const std::string event = std::string("WrenpostLogHolder") + param.name;
  std::string control = "Attachments.Add#1 wait " + event + ".held\n";
  if (param.released_by_the_run) {
    control += "Attachments.Add#2 signal " + event + ".release " + event + ".released\n";
  }
  c.SetFailures(control);
  std::string list;
  Lines entries;  // what the run writes after its subject
  for (int i = 0; i < kHeldRunEntries; ++i) {
    const std::string element = i == kHoldFrom    ? c.WinPath("pierwszy.pdf")
                                : i == kReleaseAt ? c.WinPath("drugi.pdf")
                                                  : NumberedMissing(i);
    list += (i ? ";" : "") + element;
    entries.push_back(i == kHoldFrom || i == kReleaseAt ? "Dodanie załącznika: " + element
                                                        : "Plik " + element + " nie istnieje!");
  }
  const std::string args = "-subject trzymany -attachment " + list + " -to anna";
  // The cue: the first "Dodanie załącznika" entry (the holder compares bytes,
  // so only its ASCII part).
  const RunResult run =
      c.RunBeside(HolderCommand(c, param.hold_ms, "Dodanie za", event), event, args);
  ASSERT_EQ(run.report.at("helper_ready"), "1");
  ASSERT_EQ(run.helper_exit, 0) << "log_holder could not hold the log";
  EXPECT_FALSE(run.timed_out);
  EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
  EXPECT_EQ(run.exit_code, 0);

  Lines expected = LogEntries(ExpectedHeader(c.ExeWinPath()) + "\r\n\r\nParametry: " + args +
                              "\r\nDodanie tematu: trzymany\r\n");
  const std::size_t held_from = expected.size() + kHoldFrom + 1;
  expected.insert(expected.end(), entries.begin(), entries.end());
  expected.insert(expected.end(), {"Wyświetlenie okna nowej wiadomości.", "Dodanie adresata: anna",
                                   "Koniec programu."});
  const Lines lines = LogEntries(c.Log());
  const auto marker = std::find(lines.begin(), lines.end(), kMarker);
  ASSERT_NE(marker, lines.end()) << "the holder's marker is missing";
  const Lines before(lines.begin(), marker), after(marker + 1, lines.end());
  EXPECT_EQ(before, Lines(expected.begin(), expected.begin() + held_from));
  if (param.released_by_the_run) {
    EXPECT_EQ(after,
              Lines(expected.begin() + held_from + (kReleaseAt - kHoldFrom), expected.end()));
  } else {
    // The rest of the run from some entry on: one gap at most, at the hold.
    ASSERT_LE(after.size(), expected.size() - held_from)
        << "log_holder: " << c.ReadText("holder.txt");
    EXPECT_EQ(after, Lines(expected.end() - after.size(), expected.end()));
  }
  // The run still reached the server and ended it cleanly.
  const Lines calls = c.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "  waited in vain"), 0);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "exit objects=0");
  EXPECT_NE(std::find(calls.begin(), calls.end(), "Recipients.Add METHOD VT_BSTR:\"anna\""), calls.end());
}

INSTANTIATE_TEST_SUITE_P(WineHostile, HeldLog,
                         testing::Values(HeldLogCase{"HeldForAMoment", 300, false},
                                         HeldLogCase{"HeldUntilTheSecondFile", 20000, true}),
                         [](const testing::TestParamInfo<HeldLogCase>& info) {
                           return info.param.name;
                         });

// Held from before the start to the end of the run: the run loses its
// entries, not its work.
TEST_F(WineHostile, LogHeldForTheWholeRunLosesOnlyTheEntries) {
  WineCase c("HeldWholeRun");
  c.WriteFile("Wrenpost.log", "stare wpisy\r\n");
  const std::string event = "WrenpostLogHolderWholeRun";
  const RunResult run = c.RunBeside(HolderCommand(c, 60000, "stare wpisy", event), event + ".held",
                                    "-to anna;jan -subject Oferta", event + ".release");
  ASSERT_EQ(run.report.at("helper_ready"), "1");
  ASSERT_EQ(run.helper_exit, 0) << "log_holder could not hold the log";
  EXPECT_FALSE(run.timed_out);
  EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(c.Calls(), (Lines{
                           "ClassFactory.CreateInstance",
                           "Application.CreateItem METHOD VT_I2:0",
                           "MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:\"Oferta\"",
                           "MailItem.Display METHOD",
                           "MailItem.Recipients PROPERTYGET",
                           "Recipients.Add METHOD VT_BSTR:\"anna\"",
                           "Recipients.Add METHOD VT_BSTR:\"jan\"",
                           "release Recipients",
                           "release MailItem",
                           "release Application",
                           "release Recipient",
                           "release Recipient",
                           "exit objects=0",
                       }));
  EXPECT_EQ(c.Log(), "stare wpisy\r\n" + kMarker + "\r\n");
}

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
                           "release Recipients",
                           "release MailItem",
                           "release Application",
                           "release Recipient",
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
