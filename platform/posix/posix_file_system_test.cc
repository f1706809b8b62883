#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "errors/run_error.h"
#include "tests/support/temp_folder.h"

namespace wrenpost {
namespace {

namespace fs = std::filesystem;

struct PosixFileSystemTest : ::testing::Test {
  test_support::TempFolder folder{"wrenpost-fs"};
  fs::path dir = folder.path();
  PosixFileSystem files;

  std::string Make(const std::string& name, const std::string& content = "x") {
    std::ofstream(dir / name, std::ios::binary) << content;
    return (dir / name).string();
  }
  std::string At(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(PosixFileSystemTest, FileExistsFindsNormalFilesOnly) {
  Make("oferta.pdf");
  Make(".ukryty.pdf");
  Make("Łódź zażółć.pdf");
  fs::create_directory(dir / "folder.pdf");
  const std::vector<std::pair<std::string, bool>> cases = {
      {At("oferta.pdf"), true},
      {At("Łódź zażółć.pdf"), true},
      {At("brak.pdf"), false},
      {At(".ukryty.pdf"), false},
      {At("folder.pdf"), false},
      {At("folder.pdf") + "/", false},
      {At("brak/oferta.pdf"), false},
      {At("oferta.pdf/x"), false},  // a file used as a folder: not found, no error
      {At("*.pdf"), true},
      {At("ofe?ta.pdf"), true},
      {At("?ódź*"), true},          // "?" is one character, also a two-byte one
      {At("*.doc"), false},
      {At("folder*"), false},       // only the folder matches
      {At(".ukr*"), false},
      {At("brak/*.pdf"), false},
      {"", false},
  };
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(files.FileExists(path), expected) << path;
  }
}

TEST_F(PosixFileSystemTest, FoundFilePathIsTheFullPathOfTheFileTheLookupFound) {
  Make("oferta 2024.pdf");
  Make(".ukryta.pdf");
  fs::create_directory(dir / "folder.pdf");
  const std::string folder = dir.string();
  EXPECT_EQ(files.FoundFilePath(folder + "/*.pdf"), folder + "/oferta 2024.pdf");
  const fs::path before = fs::current_path();
  fs::current_path(dir);
  EXPECT_EQ(files.FoundFilePath("ofert? *"), folder + "/oferta 2024.pdf");
  EXPECT_THROW(files.FoundFilePath("*.doc"), RunError);
  EXPECT_THROW(files.FoundFilePath("brak/*.pdf"), RunError);
  fs::current_path(before);
}

TEST_F(PosixFileSystemTest, FileExistsRaisesWhenTheLookupItselfFails) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  fs::create_directory(dir / "zamknięty");
  Make("zamknięty/a.pdf");
  fs::permissions(dir / "zamknięty", fs::perms::none);
  EXPECT_THROW(files.FileExists(At("zamknięty/a.pdf")), RunError);
}

TEST_F(PosixFileSystemTest, FileExistsRaisesOnANameTooLong) {
  EXPECT_THROW(files.FileExists(At(std::string(300, 'a'))), RunError);
}

TEST_F(PosixFileSystemTest, ReadRemoveAndTheirFailures) {
  const std::string path = Make("b.txt", std::string("a\0b\r\n", 5));
  EXPECT_EQ(files.ReadBytes(path), std::string("a\0b\r\n", 5));
  EXPECT_EQ(files.ReadBytes(Make("empty.txt", "")), "");
  files.RemoveFile(path);
  EXPECT_FALSE(fs::exists(path));
  try {
    files.RemoveFile(path);
    FAIL() << "removing a missing file must raise";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number, ENOENT);
    EXPECT_NE(error.description.find(path), std::string::npos);
  }
  fs::create_directory(dir / "d");
  try {
    files.ReadBytes(At("d"));
    FAIL() << "reading a folder must raise";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number, EISDIR);
  }
}

TEST_F(PosixFileSystemTest, AppendCreatesAndAppends) {
  const std::string log = At("Wrenpost.log");
  files.AppendText(log, "a\r\n");
  files.AppendText(log, "zażółć\r\n");
  std::ifstream in(log, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "a\r\nzażółć\r\n");
}

// Another writer's hold on the log. flock locks belong to open files, so a
// descriptor of this process conflicts with the one AppendText opens.
class LogHold {
 public:
  explicit LogHold(const std::string& path) : fd_(::open(path.c_str(), O_WRONLY | O_CLOEXEC)) {
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) throw std::runtime_error("cannot hold " + path);
  }
  ~LogHold() { Release(); }
  LogHold(const LogHold&) = delete;
  LogHold& operator=(const LogHold&) = delete;
  void Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Whether this process has `path` open on a descriptor other than `except`.
bool OpenedElsewhere(const fs::path& path, int except) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
    if (entry.path().filename() == std::to_string(except)) continue;
    if (fs::read_symlink(entry, error) == path) return true;
  }
  return false;
}

TEST_F(PosixFileSystemTest, AnEntryThatFindsTheLogHeldIsWrittenOnceTheHoldEnds) {
  const std::string log = Make("Wrenpost.log", "przed\r\n");
  PosixFileSystem patient(LogWaitPolicy(std::chrono::hours(1)));  // never runs out here
  std::atomic<bool> returned = false;
  std::exception_ptr failure;
  std::jthread writer;  // declared before the hold: on any early exit the hold ends before the join
  LogHold hold(log);
  writer = std::jthread([&] {
    try {
      patient.AppendText(log, "po zwolnieniu\r\n");
    } catch (...) {
      failure = std::current_exception();
    }
    returned = true;
  });
  // Release only once the entry has the file open, so that it meets the hold.
  const fs::path opened = fs::canonical(log);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!returned && !OpenedElsewhere(opened, hold.fd())) {
    if (std::chrono::steady_clock::now() > deadline) FAIL() << "the entry never opened the log";
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_FALSE(returned) << "the entry did not wait for the hold";
  EXPECT_EQ(fs::file_size(log), 7u);
  hold.Release();
  writer.join();
  EXPECT_FALSE(failure) << "the entry was given up";
  std::ifstream in(log, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "przed\r\npo zwolnieniu\r\n");
}

TEST_F(PosixFileSystemTest, EntriesAreLostOnlyWhileTheLogIsHeld) {
  // No wait, and a short one that runs out: the same entries are lost.
  for (const auto wait : {std::chrono::milliseconds(0), std::chrono::milliseconds(20)}) {
    SCOPED_TRACE("wait " + std::to_string(wait.count()) + " ms");
    const std::string log = Make("Wrenpost.log", "");
    PosixFileSystem hasty{LogWaitPolicy(wait)};
    hasty.AppendText(log, "1 przed\r\n");
    {
      LogHold hold(log);
      for (const char* entry : {"2 w trakcie\r\n", "3 w trakcie\r\n"}) {
        try {
          hasty.AppendText(log, entry);
          ADD_FAILURE() << "written past the hold: " << entry;
        } catch (const RunError& error) {
          EXPECT_EQ(error.number, EWOULDBLOCK);
          EXPECT_NE(error.description.find(log), std::string::npos);
        }
      }
    }
    hasty.AppendText(log, "4 po\r\n");
    hasty.AppendText(log, "5 po\r\n");
    std::ifstream in(log, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "1 przed\r\n4 po\r\n5 po\r\n");
  }
}

// A log whose waits are counted instead of slept: 5 pauses of 10 ms make an allowance.
struct CountedWaits {
  int pauses = 0;
  PosixFileSystem files{LogWaitPolicy(std::chrono::milliseconds(50), std::chrono::milliseconds(10)),
                        [this](std::chrono::milliseconds) { ++pauses; }};
  // The pauses of one entry, and whether it was given up.
  std::pair<int, bool> Append(const std::string& log, const std::string& entry) {
    pauses = 0;
    try {
      files.AppendText(log, entry);
      return {pauses, false};
    } catch (const RunError&) {
      return {pauses, true};
    }
  }
};

TEST_F(PosixFileSystemTest, AGivenUpEntryMakesTheLaterOnesTryOnceUntilOneIsWritten) {
  const std::string log = Make("Wrenpost.log", "");
  CountedWaits waits;
  {
    LogHold hold(log);
    EXPECT_EQ(waits.Append(log, "1\r\n"), std::make_pair(5, true)) << "the first entry waits its allowance";
    EXPECT_EQ(waits.Append(log, "2\r\n"), std::make_pair(0, true)) << "the log is taken as held";
  }
  EXPECT_EQ(waits.Append(log, "3\r\n"), std::make_pair(0, false));
  {
    LogHold hold(log);
    EXPECT_EQ(waits.Append(log, "4\r\n"), std::make_pair(5, true)) << "a written entry ended the held state";
  }
  std::ifstream in(log, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "3\r\n");
}

TEST(PosixFileSystem, AnEntryThatIsNotWrittenLeavesTheLogHeld) {
  // /dev/full can be locked, but refuses every byte (ENOSPC).
  const std::string full = "/dev/full";
  if (::access(full.c_str(), W_OK) != 0) GTEST_SKIP() << "no writable /dev/full";
  CountedWaits waits;
  {
    LogHold hold(full);
    EXPECT_EQ(waits.Append(full, "1"), std::make_pair(5, true));
  }
  EXPECT_EQ(waits.Append(full, "2"), std::make_pair(0, true)) << "free, but the write failed";
  LogHold hold(full);
  EXPECT_EQ(waits.Append(full, "3"), std::make_pair(0, true)) << "the failed write ended the held state";
}

TEST(WriteAll, WritesWhatIsLeftAndFailsWhenAWriteMakesNoProgress) {
  std::string written;
  std::vector<long> answers = {3, -1, 0};  // a partial write, an interruption, then nothing
  std::size_t next = 0;
  const auto write = [&](const char* bytes, std::size_t size) -> long {
    const long answer = next < answers.size() ? answers[next++] : static_cast<long>(size);
    if (answer < 0) errno = EINTR;
    if (answer > 0) written.append(bytes, static_cast<std::size_t>(answer));
    return answer;
  };
  try {
    WriteAll("abcdef", write, "w.log");
    FAIL() << "a write of nothing was taken for progress";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number, EIO);
  }
  EXPECT_EQ(written, "abc");
  answers = {2, -1};
  next = 0;
  written.clear();
  WriteAll("abcdef", write, "w.log");
  EXPECT_EQ(written, "abcdef");
}

TEST(MatchesWildcard, BehavesLikeADirectoryListing) {
  EXPECT_TRUE(MatchesWildcard("a.pdf", "*"));
  EXPECT_TRUE(MatchesWildcard("a.pdf", "*.pdf"));
  EXPECT_TRUE(MatchesWildcard("a.pdf", "a.p?f"));
  EXPECT_FALSE(MatchesWildcard("a.pdf", "a.p?"));
  EXPECT_FALSE(MatchesWildcard("a.pdf", "A.pdf"));
  EXPECT_TRUE(MatchesWildcard("abcabcabd", "*a*b*d"));
  EXPECT_FALSE(MatchesWildcard(std::string(200, 'a'), std::string(50, '*') + "b"));
  EXPECT_TRUE(MatchesWildcard("[x].pdf", "[x].pdf"));  // brackets are no wildcard
}

}  // namespace
}  // namespace wrenpost
