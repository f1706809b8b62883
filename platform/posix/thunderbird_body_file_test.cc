#include "platform/posix/thunderbird_body_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "errors/run_error.h"
#include "tests/support/temp_folder.h"

namespace wrenpost {
namespace {

namespace fs = std::filesystem;

std::string Content(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedVariable() { Set(old_); }

 private:
  void Set(const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name_, value->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  const char* name_;
  std::optional<std::string> old_;
};

struct BodyFileTest : ::testing::Test {
  test_support::TempFolder folder{"wrenpost-body-test"};
  fs::path dir = folder.path();
};

TEST_F(BodyFileTest, FolderIsTheRuntimeFolderOrAPerUserTemporaryOne) {
  const std::string uid = std::to_string(::geteuid());
  {
    ScopedVariable runtime("XDG_RUNTIME_DIR", dir.string());
    EXPECT_EQ(BodyFolderPath(), dir.string() + "/wrenpost");
  }
  {
    ScopedVariable runtime("XDG_RUNTIME_DIR", (dir / "brak").string());  // not there
    ScopedVariable temporary("TMPDIR", dir.string() + "/");
    EXPECT_EQ(BodyFolderPath(), dir.string() + "/wrenpost-" + uid);
  }
  {
    ScopedVariable runtime("XDG_RUNTIME_DIR", "wzgledny");
    ScopedVariable temporary("TMPDIR", std::nullopt);
    EXPECT_EQ(BodyFolderPath(), "/tmp/wrenpost-" + uid);
  }
}

TEST_F(BodyFileTest, PrivateFolderIsCreatedOrAcceptedOnlyWhenPrivate) {
  const std::string fresh = (dir / "nowy").string();
  PreparePrivateFolder(fresh);
  EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::all, fs::perms::owner_all);
  PreparePrivateFolder(fresh);  // a second run finds it ready

  fs::create_directory(dir / "otwarty");
  fs::permissions(dir / "otwarty", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  EXPECT_THROW(PreparePrivateFolder((dir / "otwarty").string()), RunError);

  fs::create_directory_symlink(fresh, dir / "dowiazanie");
  EXPECT_THROW(PreparePrivateFolder((dir / "dowiazanie").string()), RunError);

  std::ofstream(dir / "plik") << "x";
  EXPECT_THROW(PreparePrivateFolder((dir / "plik").string()), RunError);
}

TEST_F(BodyFileTest, WritesTheBodyToANewPrivateFileEachTime) {
  const std::string body = "<p>Zażółć gęślą jaźń</p>\r\n" + std::string(100000, 'x');
  // Thunderbird turns LFs into blanks: the lines of a <pre> go with a bare CR.
  const std::string html = WriteBodyFile(dir.string(), body + "<pre>a\r\nb</pre>", BodyFormat::kHtml);
  const std::string text = WriteBodyFile(dir.string(), "a\nb", BodyFormat::kText);
  EXPECT_NE(html, text);
  EXPECT_EQ(fs::path(html).parent_path(), dir);
  EXPECT_EQ(fs::path(html).filename().string().rfind(kBodyFilePrefix, 0), 0u);
  EXPECT_EQ(fs::path(html).extension(), ".html");
  EXPECT_EQ(fs::path(text).extension(), ".txt");
  EXPECT_EQ(Content(html), body + "<pre>a\rb</pre>");
  EXPECT_EQ(Content(text), "a\nb");
  struct stat info {};
  ASSERT_EQ(::stat(html.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(BodyFileTest, WriteFailureRaisesTheSystemNumber) {
  try {
    WriteBodyFile((dir / "brak").string(), "x", BodyFormat::kText);
    FAIL() << "writing into a missing folder must raise";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number, ENOENT);
  }
}

TEST_F(BodyFileTest, OnlyOldBodyFilesAreRemoved) {
  const auto now = std::chrono::system_clock::now();
  const auto age = [&](const std::string& name, std::chrono::hours hours) {
    std::ofstream(dir / name) << "x";
    fs::last_write_time(dir / name, fs::file_time_type::clock::now() - hours);
  };
  age("wrenpost-body-stary.html", std::chrono::hours(25));
  age("wrenpost-body-swiezy.html", std::chrono::hours(23));
  age("cudzy-stary.html", std::chrono::hours(48));
  fs::create_directory(dir / "wrenpost-body-folder");
  fs::last_write_time(dir / "wrenpost-body-folder", fs::file_time_type::clock::now() - std::chrono::hours(48));
  const std::string mine = WriteBodyFile(dir.string(), "x", BodyFormat::kText);

  RemoveStaleBodyFiles(dir.string(), now);
  EXPECT_FALSE(fs::exists(dir / "wrenpost-body-stary.html"));
  EXPECT_TRUE(fs::exists(dir / "wrenpost-body-swiezy.html"));
  EXPECT_TRUE(fs::exists(dir / "cudzy-stary.html"));
  EXPECT_TRUE(fs::exists(dir / "wrenpost-body-folder"));
  EXPECT_TRUE(fs::exists(mine));
  RemoveStaleBodyFiles((dir / "brak").string(), now);  // nothing to do, nothing raised
}

}  // namespace
}  // namespace wrenpost
