// A desktop file's [Desktop Entry] and its Exec line, read as the Desktop
// Entry rules say. Pure code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wrenpost {

struct DesktopEntry {
  std::string name;      // Name, unlocalised
  std::string icon;      // Icon
  std::string exec;      // Exec, its string escapes (\s \n \t \r \\) already undone
  std::string try_exec;  // TryExec: the entry counts only when this program is there
  bool hidden = false;   // Hidden=true: the entry is deleted
};

// The [Desktop Entry] group of a desktop file; nullopt when there is none or
// it is no application with an Exec line.
std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text);

// The words of the entry's Exec line: double quotes group a word (and inside
// them a backslash takes the next character literally), field codes for files
// and URLs (%f %F %u %U and the old %d %D %n %N %v %m) are dropped, %i becomes
// "--icon ICON", %c the name, %k `desktop_file`, %% a percent sign. nullopt
// for an Exec line that breaks these rules (an open quote, an unknown code).
std::optional<std::vector<std::string>> ExecWords(const DesktopEntry& entry, std::string_view desktop_file);

}  // namespace wrenpost
