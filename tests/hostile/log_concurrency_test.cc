// The run log under concurrency: eight runs writing to one Wrenpost.log at
// once, and another process holding the file for a moment or for longer.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <regex>
#include <thread>

#include "tests/hostile/hostile_support.h"

extern char** environ;

namespace wrenpost::hostile {
namespace {

namespace fs = std::filesystem;
using e2e::ReadFile;
using ::testing::EndsWith;
using ::testing::StartsWith;

constexpr int kRuns = 8;
constexpr int kMissingPerRun = 400;
constexpr int kRecipientsPerRun = 100;

struct LogUnderConcurrency : ::testing::Test, ProgramSandbox {
  std::vector<std::string> Environment() const {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      if (text.starts_with("PATH=") || text.starts_with("TMPDIR=") || text.starts_with("DISPLAY=") ||
          text.starts_with("WAYLAND_DISPLAY=") || text.starts_with("XDG_RUNTIME_DIR=")) {
        continue;
      }
      variables.push_back(text);
    }
    variables.push_back("PATH=" + bin.string());
    variables.push_back("TMPDIR=" + temp.string());
    return variables;
  }
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
  std::vector<pid_t> children;
  for (int run = 0; run < kRuns; ++run) children.push_back(StartProgram(program, args[run], Environment()));
  for (const pid_t child : children) EXPECT_EQ(WaitForProgram(child), 0);

  // Every line must be one whole entry of a known form.
  const std::regex date(R"(\d{4}-\d{1,2}-\d\d, \d\d:\d\d:\d\d, użytkownik = .*, komputer = .*)");
  const std::regex missing(R"(Plik brak-(\d)-(\d+)-(p*) nie istnieje!)");
  const std::regex recipient(R"(Dodanie adresata: (\d)-(\d+)@x\.pl)");
  const std::regex subject(R"(Dodanie tematu: run-(\d))");
  const std::string program_line = program.string() + ".exe (1.6.0)";
  std::map<std::string, int> fixed_lines;
  std::vector<int> next_missing(kRuns, 0), next_recipient(kRuns, 0), subjects(kRuns, 0);
  std::vector<std::string> unknown;
  for (const std::string& line : LogLines(ReadFile(log))) {
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
               line == "Wyświetlenie okna nowej wiadomości." || line == "Koniec programu.") {
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

// Another process holds the log locked while a run starts.
class HeldLog {
 public:
  explicit HeldLog(const fs::path& path) : fd_(::open(path.c_str(), O_WRONLY | O_CREAT, 0644)) {
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) throw std::runtime_error("cannot hold the log");
  }
  ~HeldLog() { ::close(fd_); }
  void ReleaseAfter(std::chrono::milliseconds delay) {
    std::this_thread::sleep_for(delay);
    ::flock(fd_, LOCK_UN);
  }

 private:
  int fd_;
};

TEST_F(LogUnderConcurrency, LogHeldForAMomentOnlyDelaysTheEntry) {
  HeldLog held(log);
  const pid_t child = StartProgram(program, {"-subject", "chwila"}, Environment());
  held.ReleaseAfter(std::chrono::milliseconds(300));
  EXPECT_EQ(WaitForProgram(child), 0);
  const std::string text = ReadFile(log);
  EXPECT_THAT(text, StartsWith("\r\n\r\n" + std::string(55, '-') + "\r\n\r\n" + program.string()));
  EXPECT_THAT(text, EndsWith("Dodanie tematu: chwila\r\nWyświetlenie okna nowej wiadomości.\r\nKoniec programu.\r\n"));
}

TEST_F(LogUnderConcurrency, LogHeldLongerDropsThatEntryAndTheRunEndsNormally) {
  HeldLog held(log);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = StartProgram(program, {"-subject", "dłużej"}, Environment());
  // The first entry gives up after about a second; the next one gets through.
  held.ReleaseAfter(std::chrono::milliseconds(1500));
  EXPECT_EQ(WaitForProgram(child), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "no bounded retry";
  const std::string text = ReadFile(log);
  EXPECT_THAT(text, StartsWith(std::string(55, '-') + "\r\n\r\n" + program.string()));
  EXPECT_THAT(text, EndsWith("Dodanie tematu: dłużej\r\nWyświetlenie okna nowej wiadomości.\r\nKoniec programu.\r\n"));
}

}  // namespace
}  // namespace wrenpost::hostile
