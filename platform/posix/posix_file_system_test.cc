#include "platform/posix/posix_file_system.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#include "platform/run_error.h"

namespace wrenpost {
namespace {

namespace fs = std::filesystem;

struct PosixFileSystemTest : ::testing::Test {
  fs::path dir;
  PosixFileSystem files;

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "wrenpost-fs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }
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

TEST_F(PosixFileSystemTest, AppendWaitsBrieflyForAnotherWriterThenGivesUp) {
  const std::string log = Make("Wrenpost.log", "");
  const int holder = ::open(log.c_str(), O_WRONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);

  // Held for a moment: the entry arrives once the lock goes.
  std::thread release([holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::flock(holder, LOCK_UN);
  });
  files.AppendText(log, "late\r\n");
  release.join();
  EXPECT_EQ(fs::file_size(log), 6u);

  // Held for longer than the retry time: the entry is given up.
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  EXPECT_THROW(files.AppendText(log, "lost\r\n"), RunError);
  ::close(holder);
  EXPECT_EQ(fs::file_size(log), 6u);
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
