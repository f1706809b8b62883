// A desktop file's Exec line as words, as the Desktop Entry rules say. Pure
// code: the desktop (GIO) finds and reads the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wrenpost {

// What the Exec line's field codes may need of the entry.
struct DesktopEntry {
  std::string name;  // Name
  std::string icon;  // Icon
  std::string exec;  // Exec, its string escapes (\s \n \t \r \\) already undone
};

// The words of the entry's Exec line: double quotes group a word (and inside
// them a backslash takes the next character literally), field codes for files
// (%f %F and the old %d %D %n %N %v %m) are dropped, %i becomes "--icon ICON",
// %c the name, %k `desktop_file`, %% a percent sign. A whole-word %u or %U
// becomes `url`, or is dropped when `url` is empty; a non-empty `url` goes
// last when the line has no such code. nullopt for an Exec line that breaks
// these rules (an open quote, an unknown code).
std::optional<std::vector<std::string>> ExecWords(const DesktopEntry& entry, std::string_view desktop_file,
                                                  std::string_view url = {});

}  // namespace wrenpost
