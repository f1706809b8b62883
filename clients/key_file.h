// The "key file" text format shared by desktop files, mimeapps.list, a
// flatpak's metadata and overrides, and Thunderbird's profiles.ini: groups in
// brackets, "Key=Value" lines, '#' comments. Pure code.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wrenpost {

struct KeyFileGroup {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;  // in file order
  // The value of the first entry called `key`; null when there is none.
  const std::string* Find(std::string_view key) const;
};

// The groups of `text` in file order. Blanks around '=' are dropped, lines
// before the first group and lines without '=' are skipped.
std::vector<KeyFileGroup> ParseKeyFile(std::string_view text);

// The first group called `name`; null when there is none.
const KeyFileGroup* FindGroup(const std::vector<KeyFileGroup>& groups, std::string_view name);

// The non-empty items of a list value ("a;b;" or "a,b").
std::vector<std::string> SplitList(std::string_view value, char separator);

}  // namespace wrenpost
