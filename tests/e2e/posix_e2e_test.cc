// The built POSIX program, run as a caller would run it. No mail client is
// reachable here (PATH is an empty folder, so no thunderbird), and every run
// ends in the 429 failure report.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>

#include "tests/e2e/e2e_harness.h"
#include "wrenpost_version.h"

namespace wrenpost::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string UserName() {
  const passwd* entry = ::getpwuid(::geteuid());
  return entry ? entry->pw_name : "";
}

std::string HostName() {
  char name[1024] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

// The log with the header's date replaced by "<date>", which is all that varies.
std::string StableLog(const fs::path& path) {
  static const std::regex kDate(R"(\r\n\d{4}-([1-9]|1[0-2])-\d\d, \d\d:\d\d:\d\d, użytkownik = )");
  return std::regex_replace(ReadFile(path), kDate, "\r\n<date>, użytkownik = ");
}

std::string Header(const fs::path& program) {
  return "\r\n\r\n" + std::string(55, '-') + "\r\n\r\n" + program.parent_path().string() + "/" +
         program.stem().string() + ".exe (" WRENPOST_VERSION_TEXT ")\r\n<date>, użytkownik = " + UserName() +
         ", komputer = " + HostName() + "\r\n";
}

const std::string kFailure429 =
    "\r\n\r\nWystąpił błąd (429): Nie znaleziono programu pocztowego: nie ma domyślnego programu do "
    "odnośników mailto: ani programu thunderbird lub betterbird w folderach ze zmiennej PATH.\r\n"
    "Program zakończony błędem.\r\n";

struct PosixEndToEnd : ::testing::Test {
  Sandbox sandbox;
  fs::path program = sandbox.InstallProgram();
  fs::path log = sandbox / "Wrenpost.log";
};

TEST_F(PosixEndToEnd, WritesHeaderAndEntriesBesideItselfAndReports429) {
  const RunResult run = RunProgram(program, {"-to", "anna", "-subject", "Oferta"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(StableLog(log), Header(program) +
                                "\r\n\r\nParametry: -to anna -subject Oferta\r\n" + kFailure429);
  EXPECT_EQ(run.std_err,
            "Wrenpost: \u26A0 Nie można utworzyć nowej wiadomości w programie pocztowym.\n"
            "Sprawdź, czy program jest zainstalowany w systemie!\n[OK]\n");
}

TEST_F(PosixEndToEnd, ArgumentsWithBlanksReachTheLogQuoted) {
  RunProgram(program, {"-subject", "Dzień dobry", "-body", ""});
  EXPECT_THAT(ReadFile(log), HasSubstr("Parametry: -subject \"Dzień dobry\" -body \"\"\r\n"));
}

TEST_F(PosixEndToEnd, TwoRunsAppendInOrder) {
  RunProgram(program, {"-subject", "pierwszy"});
  RunProgram(program, {"-subject", "drugi"});
  const std::string one_run = Header(program) + "\r\n\r\nParametry: -subject pierwszy\r\n" + kFailure429;
  const std::string two_runs =
      one_run + Header(program) + "\r\n\r\nParametry: -subject drugi\r\n" + kFailure429;
  EXPECT_EQ(StableLog(log), two_runs);
}

TEST_F(PosixEndToEnd, RenamedProgramKeepsItsLogName) {
  const fs::path renamed = sandbox.InstallProgram("poczta.bin");
  RunProgram(renamed, {});
  EXPECT_THAT(StableLog(log), StartsWith(Header(renamed)));
  EXPECT_THAT(ReadFile(log), HasSubstr("/poczta.exe (" WRENPOST_VERSION_TEXT ")\r\n"));
  EXPECT_FALSE(fs::exists(sandbox / "poczta.log"));
}

TEST_F(PosixEndToEnd, LogThatCannotBeWrittenChangesNothingElse) {
  fs::create_directory(log);  // a folder where the file should be: every open fails
  const RunResult run = RunProgram(program, {"-subject", "x"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.std_err, HasSubstr("Sprawdź, czy program jest zainstalowany w systemie!"));
  EXPECT_TRUE(fs::is_directory(log));
}

TEST_F(PosixEndToEnd, ReadOnlyFolderRunsTheSameWithoutALog) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  fs::permissions(sandbox.dir(), fs::perms::owner_read | fs::perms::owner_exec);
  const RunResult run = RunProgram(program, {"-subject", "x"});
  fs::permissions(sandbox.dir(), fs::perms::owner_all);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_FALSE(fs::exists(log));
}

TEST_F(PosixEndToEnd, BodyFileIsReadAndDeletedBeforeTheMailClientIsAsked) {
  const fs::path body = sandbox / "treść.html";
  WriteFile(body, "<p>a</p>\r\n<p>b</p>\r\n");
  const RunResult run =
      RunProgram(program, {"-bodyfile", body.string(), "-html", "1", "-bodyfiledelete", "1"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_FALSE(fs::exists(body));
}

TEST_F(PosixEndToEnd, UnreadableBodyFileGivesTheGenericBoxAndKeepsTheFile) {
  const fs::path body = sandbox / "b.txt";
  WriteFile(body, "x");
  fs::permissions(body, fs::perms::none);
  if (::access(body.c_str(), R_OK) == 0) GTEST_SKIP() << "root reads every file";
  const RunResult run = RunProgram(program, {"-bodyfile", body.string(), "-bodyfiledelete", "1"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(ReadFile(log), HasSubstr("Wystąpił błąd (13): Permission denied: " + body.string()));
  EXPECT_THAT(run.std_err, HasSubstr("Wystąpił błąd:\nPermission denied: "));
  EXPECT_TRUE(fs::exists(body));
}

TEST_F(PosixEndToEnd, BodyFileFoundByWildcardButNotOpenableGivesTheGenericBox) {
  // The lookup matches "b*.txt" like a listing; opening takes the name literally and fails.
  WriteFile(sandbox / "b1.txt", "x");
  const std::string pattern = (sandbox / "b*.txt").string();
  const RunResult run = RunProgram(program, {"-bodyfile", pattern, "-bodyfiledelete", "1"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(ReadFile(log), HasSubstr("\r\n\r\nWystąpił błąd (2): No such file or directory: " +
                                       pattern + "\r\nProgram zakończony błędem.\r\n"));
  EXPECT_THAT(run.std_err, HasSubstr("Wystąpił błąd:\nNo such file or directory: "));
  EXPECT_TRUE(fs::exists(sandbox / "b1.txt"));
}

TEST_F(PosixEndToEnd, ImmutableLogFileChangesNothingElse) {
  WriteFile(log, "stary wpis\r\n");
  if (std::system(("chattr +i '" + log.string() + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "chattr is not available here";
  }
  const RunResult run = RunProgram(program, {"-subject", "x"});
  std::system(("chattr -i '" + log.string() + "'").c_str());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.std_err, HasSubstr("Sprawdź, czy program jest zainstalowany w systemie!"));
  EXPECT_EQ(ReadFile(log), "stary wpis\r\n");
}

TEST_F(PosixEndToEnd, BodyFileThatIsAFolderIsNotABody) {
  // A folder is no normal file: the body is empty and nothing is deleted.
  fs::create_directory(sandbox / "folder");
  const RunResult run =
      RunProgram(program, {"-bodyfile", (sandbox / "folder").string(), "-bodyfiledelete", "1"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(fs::is_directory(sandbox / "folder"));
  EXPECT_THAT(ReadFile(log), HasSubstr("(429)"));
}

}  // namespace
}  // namespace wrenpost::e2e
