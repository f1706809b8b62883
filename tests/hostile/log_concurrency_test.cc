// The run log under concurrency: eight runs writing to one Wrenpost.log at
// once, and another process holding the file for a whole run.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <stdexcept>

#include "tests/e2e/e2e_harness.h"
#include "tests/support/log_text.h"
#include "wrenpost_version.h"

namespace wrenpost::hostile {
namespace {

namespace fs = std::filesystem;
using e2e::ReadFile;

constexpr int kRuns = 8;
constexpr int kMissingPerRun = 400;
constexpr int kRecipientsPerRun = 100;

struct LogUnderConcurrency : ::testing::Test, e2e::ThunderbirdSandbox {
  LogUnderConcurrency() { InstallThunderbird(); }
};

// Entry texts of different lengths, so that a torn write would show.
std::string MissingName(int run, int index) {
  return "brak-" + std::to_string(run) + "-" + std::to_string(index) + "-" + std::string(index % 97, 'p');
}

std::string Recipient(int run, int index) {
  return std::to_string(run) + "-" + std::to_string(index) + "@x.pl";
}

TEST_F(LogUnderConcurrency, EightRunsAtOnceLoseNothingAndKeepEachRunsOrder) {
  std::vector<std::vector<std::string>> args(kRuns);
  for (int run = 0; run < kRuns; ++run) {
    std::string missing, recipients;
    for (int i = 0; i < kMissingPerRun; ++i) missing += (i ? ";" : "") + MissingName(run, i);
    for (int i = 0; i < kRecipientsPerRun; ++i) recipients += (i ? ";" : "") + Recipient(run, i);
    args[run] = {"-subject", "run-" + std::to_string(run), "-attachment", missing, "-to", recipients};
  }
  std::vector<e2e::StartedProgram> runs;
  for (int run = 0; run < kRuns; ++run)
    runs.push_back(e2e::StartProgram(program, args[run], Options()));
  for (const auto& run : runs) EXPECT_EQ(e2e::WaitForProgram(run).exit_code, 0);

  // Every line must be one whole entry of a known form.
  const std::regex date(R"(\d{4}-\d{1,2}-\d\d, \d\d:\d\d:\d\d, użytkownik = .*, komputer = .*)");
  const std::regex missing(R"(Plik brak-(\d)-(\d+)-(p*) nie istnieje!)");
  const std::regex recipient(R"(Dodanie adresata: (\d)-(\d+)@x\.pl)");
  const std::regex subject(R"(Dodanie tematu: run-(\d))");
  const std::string program_line = program.string() + ".exe (" WRENPOST_VERSION_TEXT ")";
  std::map<std::string, int> fixed_lines;
  std::vector<int> next_missing(kRuns, 0), next_recipient(kRuns, 0), subjects(kRuns, 0);
  std::vector<std::string> unknown;
  for (const std::string& line : test_support::LogEntries(ReadFile(log))) {
    std::smatch match;
    if (std::regex_match(line, match, missing)) {
      const int run = std::stoi(match[1]), index = std::stoi(match[2]);
      EXPECT_EQ(index, next_missing[run]) << "run " << run << " out of order or lost an entry";
      EXPECT_EQ(match[3].length(), index % 97) << line;
      next_missing[run] = index + 1;
    } else if (std::regex_match(line, match, recipient)) {
      const int run = std::stoi(match[1]), index = std::stoi(match[2]);
      EXPECT_EQ(index, next_recipient[run]) << "run " << run << " out of order or lost an entry";
      EXPECT_EQ(next_missing[run], kMissingPerRun) << "recipients before the attachments in run " << run;
      next_recipient[run] = index + 1;
    } else if (std::regex_match(line, match, subject)) {
      ++subjects[std::stoi(match[1])];
    } else if (std::regex_match(line, date)) {
      ++fixed_lines["date"];
    } else if (line.starts_with("Parametry: -subject run-")) {
      ++fixed_lines["Parametry"];
    } else if (line.empty() || line == std::string(55, '-') || line == program_line ||
               line == "Program pocztowy: Thunderbird" || line == "Wyświetlenie okna nowej wiadomości." ||
               line == "Koniec programu.") {
      ++fixed_lines[line];
    } else {
      unknown.push_back(line.substr(0, 200));
    }
  }
  EXPECT_THAT(unknown, ::testing::IsEmpty()) << "torn or foreign lines";
  for (int run = 0; run < kRuns; ++run) {
    EXPECT_EQ(next_missing[run], kMissingPerRun) << "run " << run;
    EXPECT_EQ(next_recipient[run], kRecipientsPerRun) << "run " << run;
    EXPECT_EQ(subjects[run], 1) << "run " << run;
  }
  EXPECT_EQ(fixed_lines["date"], kRuns);
  EXPECT_EQ(fixed_lines["Parametry"], kRuns);
  EXPECT_EQ(fixed_lines[std::string(55, '-')], kRuns);
  EXPECT_EQ(fixed_lines[program_line], kRuns);
  EXPECT_EQ(fixed_lines["Wyświetlenie okna nowej wiadomości."], kRuns);
  EXPECT_EQ(fixed_lines["Koniec programu."], kRuns);
  EXPECT_EQ(fixed_lines[""], 5 * kRuns);  // two per header and the "\r\n" entry, one before the program line
}

// Another process holds the log; the descriptor is not passed on to the
// program, or the program would share the hold.
class HeldLog {
 public:
  explicit HeldLog(const fs::path& path)
      : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) throw std::runtime_error("cannot hold the log");
  }
  ~HeldLog() { ::close(fd_); }
  HeldLog(const HeldLog&) = delete;
  HeldLog& operator=(const HeldLog&) = delete;

 private:
  int fd_;
};

// How long an entry waits and when it is lost is the file system's to show;
// here the run as a whole must not depend on its log.
TEST_F(LogUnderConcurrency, LogHeldForTheWholeRunLosesTheRunsEntriesButNotTheMessage) {
  const e2e::RunResult run = [&] {
    HeldLog held(log);
    return Launch({"-to", "anna@firma.pl", "-subject", "cały czas zajęty", "-body", "treść"});
  }();
  EXPECT_EQ(run.exit_code, 0) << run.std_err;
  EXPECT_EQ(run.std_err, "");
  const auto fields = ComposeFields();
  EXPECT_EQ(fields.at("to"), "anna@firma.pl");
  EXPECT_EQ(fields.at("subject"), "cały czas zajęty");
  EXPECT_EQ(ReadFile(seen / "body"), "treść");
  EXPECT_EQ(ReadFile(log), "") << "an entry got past the hold";
}

}  // namespace
}  // namespace wrenpost::hostile
