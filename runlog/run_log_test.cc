#include "runlog/run_log.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_host.h"

namespace wrenpost {
namespace {

constexpr const char* kLogPath = "C:\\Narzędzia\\Wrenpost.log";

struct HeaderTest : ::testing::Test {
  FakePlatform fake;
  RunLog log{fake.files, kLogPath};

  std::string WriteHeader() {
    WriteRunHeader(log, QueryHostIdentity(fake.process), fake.clock, fake.names);
    return fake.files.Content(kLogPath);
  }
};

TEST_F(HeaderTest, WritesTheFourEntries) {
  const std::string expected = "\r\n\r\n" + std::string(55, '-') +
                               "\r\n"
                               "\r\nC:\\Narzędzia\\Wrenpost.exe (" WRENPOST_VERSION_TEXT ")\r\n"
                               "2014-3-05, 09:07:03, użytkownik = anna, komputer = BIURO-7\r\n";
  EXPECT_EQ(WriteHeader(), expected);
}

TEST_F(HeaderTest, ProgramLineShowsTheRenamedFileAndAlwaysSaysExe) {
  fake.process.executable_path = "D:\\x.y\\Poczta.com";
  fake.process.version = {12, 0, 305};
  EXPECT_NE(WriteHeader().find("\r\nD:\\x.y\\Poczta.exe (12.0.305)\r\n"), std::string::npos);
}

TEST_F(HeaderTest, PosixSeparator) {
  fake.process.separator = '/';
  fake.process.executable_path = "/opt/wrenpost/bin/wrenpost";
  const HostIdentity identity = QueryHostIdentity(fake.process);
  EXPECT_EQ(identity.folder, "/opt/wrenpost/bin");
  EXPECT_EQ(identity.file_name, "wrenpost");
  EXPECT_EQ(LogPath(identity), "/opt/wrenpost/bin/Wrenpost.log");
}

TEST_F(HeaderTest, FailingNameQueriesLeaveNamesEmpty) {
  fake.names.user.reset();
  fake.names.computer.reset();
  EXPECT_NE(WriteHeader().find("2014-3-05, 09:07:03, użytkownik = , komputer = \r\n"),
            std::string::npos);
}

TEST_F(HeaderTest, NamesAreCutAtTheFirstNul) {
  fake.names.user = std::string("jan\0ignored", 11);
  EXPECT_EQ(UserNameText(fake.names), "jan");
}

TEST(HeaderTime, MonthWithoutLeadingZeroEverythingElseTwoDigits) {
  EXPECT_EQ(FormatHeaderTime({2014, 3, 5, 9, 7, 3}), "2014-3-05, 09:07:03");
  EXPECT_EQ(FormatHeaderTime({2026, 12, 31, 23, 59, 0}), "2026-12-31, 23:59:00");
  EXPECT_EQ(FormatHeaderTime({2000, 1, 1, 0, 0, 0}), "2000-1-01, 00:00:00");
}

TEST(WriteLogLine, AppendsTextAndLineBreakPerEntry) {
  FakeFileSystem files;
  const RunLog log(files, "w.log");
  log.WriteLogLine("\r\n");
  log.WriteLogLine("Parametry: ", "-to a");
  EXPECT_EQ(files.Content("w.log"), "\r\n\r\nParametry: -to a\r\n");
}

TEST(WriteLogLine, NeverRaisesWhenTheFileCannotBeWritten) {
  FakeFileSystem files;
  files.Fail("append", RunError(70, "Permission denied"));
  const RunLog log(files, "w.log");
  EXPECT_NO_THROW(log.WriteLogLine("x"));
  EXPECT_FALSE(files.Has("w.log"));
}

}  // namespace
}  // namespace wrenpost
