#include "platform/posix/posix_spawn_tools.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_folder.h"

namespace wrenpost {
namespace {

namespace fs = std::filesystem;

struct SpawnToolsTest : ::testing::Test {
  test_support::TempFolder folder{"wrenpost-spawn"};
  fs::path dir = folder.path();

  std::string Write(const fs::path& relative, const std::string& text, fs::perms mode) {
    fs::create_directories((dir / relative).parent_path());
    std::ofstream(dir / relative, std::ios::binary) << text;
    fs::permissions(dir / relative, mode);
    return (dir / relative).string();
  }
  std::string Script(const fs::path& relative, const std::string& body) {
    return Write(relative, "#!/bin/sh\n" + body + "\n", fs::perms::owner_all);
  }
};

TEST_F(SpawnToolsTest, FindExecutableSearchesAbsoluteFoldersInOrder) {
  const std::string first = Script("a/tool", "exit 0");
  const std::string second = Script("b/tool", "exit 0");
  Write("plain/tool", "#!/bin/sh\n", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directories(dir / "folder/tool");
  const std::string a = (dir / "a").string(), b = (dir / "b").string();
  const std::string plain = (dir / "plain").string(), folder_named_tool = (dir / "folder").string();
  struct Case {
    std::string name;
    std::string search_path;
    std::optional<std::string> found;
  };
  const Case cases[] = {
      {"tool", "/nonexistent:" + a + ":" + b, first},
      {"tool", b + "/:" + a, second},  // a trailing slash is not doubled
      {"tool", plain + ":" + folder_named_tool + ":" + b, second},  // not executable, a folder
      {"tool", plain + ":" + folder_named_tool, std::nullopt},
      {"tool", "", std::nullopt},
      {first, "/", std::nullopt},  // a path is no name to look up
      {"a/tool", dir.string(), std::nullopt},
      {"", a, std::nullopt},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(FindExecutable(test.name, test.search_path), test.found)
        << test.name << " in " << test.search_path;
  }

  // Relative folders are skipped, also when they hold the tool.
  const fs::path here = fs::current_path();
  fs::current_path(dir);
  const auto relative = FindExecutable("tool", ":.:a:b");
  fs::current_path(here);
  EXPECT_EQ(relative, std::nullopt);
}

TEST_F(SpawnToolsTest, RunAndWaitReportsHowTheProgramEnded) {
  struct Case {
    std::string name;
    std::string program;
    std::string input;
    ProgramEnd expected;
  };
  const Case cases[] = {
      {"reads its input", Script("reads", "read x; test \"$x\" = zażółć"), "zażółć\n",
       {true, true, 0}},
      {"exits with a number", Script("exits", "exit 3"), "", {true, true, 3}},
      {"is killed", Script("killed", "kill -9 $$"), "", {true, false, -1}},
      // A reader that leaves early does not take the writer down.
      {"leaves its input unread", Script("unread", "exit 0"), std::string(1 << 20, 'x'),
       {true, true, 0}},
      {"is missing", (dir / "missing").string(), "", {false, false, -1}},
      {"may not be run", Write("plain", "#!/bin/sh\n", fs::perms::owner_read), "",
       {false, false, -1}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const ProgramEnd end = RunAndWait(test.program, {"tool"}, test.input);
    EXPECT_EQ(end.started, test.expected.started);
    EXPECT_EQ(end.exited, test.expected.exited);
    EXPECT_EQ(end.exit_code, test.expected.exit_code);
  }
}

}  // namespace
}  // namespace wrenpost
