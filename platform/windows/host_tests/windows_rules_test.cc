// The small pure rules of the Windows edge: file error numbers, paths and the
// startup show state.
#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/windows/file_error_number.h"
#include "platform/windows/startup_show_state.h"
#include "platform/windows/windows_path.h"

namespace wrenpost {
namespace {

TEST(FileErrorNumber, NumbersFileFailuresAsTheCallersRuntimeDoes) {
  const std::pair<std::uint32_t, std::int32_t> cases[] = {
      {2, 53}, {3, 76}, {5, 70}, {32, 70}, {33, 70}, {123, 52}, {161, 52}, {21, 71}, {87, 75}, {1, 75}};
  for (const auto& [error, number] : cases) EXPECT_EQ(FileErrorNumber(error), number) << error;
}

TEST(IsFullWindowsPath, DriveRootsAndSharesOnly) {
  for (const char* path : {"C:\\a.pdf", "c:/a.pdf", "\\\\serwer\\udział\\a.pdf", "\\\\?\\C:\\a.pdf", "//s/u/a.pdf"}) {
    EXPECT_TRUE(IsFullWindowsPath(path)) << path;
  }
  for (const char* path : {"a.pdf", "..\\a.pdf", "\\a.pdf", "C:a.pdf", "", "1:\\a", "C:"}) {
    EXPECT_FALSE(IsFullWindowsPath(path)) << path;
  }
}

TEST(FolderPart, KeepsTheFolderAsWrittenForTheFoundNameToJoin) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"C:\\Oferty\\*.pdf", "C:\\Oferty\\"}, {"a/b\\c?.pdf", "a/b\\"}, {"C:*.pdf", "C:"},
      {"*.pdf", ""},                         {"\\\\s\\u\\a.pdf", "\\\\s\\u\\"}, {"", ""}};
  for (const auto& [path, folder] : cases) EXPECT_EQ(FolderPart(path), folder) << path;
}

TEST(MustUseUpStartupShowState, EveryCallersStateButAPlainShow) {
  // SW_HIDE 0, SW_SHOWMINIMIZED 2, SW_SHOWMAXIMIZED 3, SW_SHOWNOACTIVATE 4,
  // SW_MINIMIZE 6, SW_SHOWMINNOACTIVE 7, SW_SHOWNA 8, SW_FORCEMINIMIZE 11.
  for (const int state : {0, 2, 3, 4, 6, 7, 8, 11}) {
    EXPECT_TRUE(MustUseUpStartupShowState(true, static_cast<std::uint16_t>(state))) << state;
  }
  // SW_SHOWNORMAL 1, SW_SHOW 5, SW_RESTORE 9, SW_SHOWDEFAULT 10.
  for (const int state : {1, 5, 9, 10}) {
    EXPECT_FALSE(MustUseUpStartupShowState(true, static_cast<std::uint16_t>(state))) << state;
  }
  // Without STARTF_USESHOWWINDOW the field means nothing.
  EXPECT_FALSE(MustUseUpStartupShowState(false, 0));
}

}  // namespace
}  // namespace wrenpost
