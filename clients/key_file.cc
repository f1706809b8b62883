#include "clients/key_file.h"

namespace wrenpost {
namespace {

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

const std::string* KeyFileGroup::Find(std::string_view key) const {
  for (const auto& [entry_key, value] : entries) {
    if (entry_key == key) return &value;
  }
  return nullptr;
}

std::vector<KeyFileGroup> ParseKeyFile(std::string_view text) {
  std::vector<KeyFileGroup> groups;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      groups.push_back({std::string(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    const auto equals = line.find('=');
    if (groups.empty() || equals == std::string_view::npos) continue;
    groups.back().entries.emplace_back(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)));
  }
  return groups;
}

const KeyFileGroup* FindGroup(const std::vector<KeyFileGroup>& groups, std::string_view name) {
  for (const KeyFileGroup& group : groups) {
    if (group.name == name) return &group;
  }
  return nullptr;
}

std::vector<std::string> SplitList(std::string_view value, char separator) {
  std::vector<std::string> items;
  while (true) {
    const auto end = value.find(separator);
    const std::string_view item = Trimmed(value.substr(0, end));
    if (!item.empty()) items.emplace_back(item);
    if (end == std::string_view::npos) return items;
    value.remove_prefix(end + 1);
  }
}

}  // namespace wrenpost
