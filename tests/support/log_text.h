// Reading a Wrenpost.log back in tests: its entries end in CR LF.
#pragma once

#include <string>
#include <vector>

namespace wrenpost::test_support {

// The log's text cut at every CR LF; a last piece without one is kept.
inline std::vector<std::string> LogEntries(const std::string& log) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    entries.push_back(log.substr(start, end - start));
    start = end + 2;
  }
  return entries;
}

// How many times `part` occurs in `text`, not overlapping.
inline std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

}  // namespace wrenpost::test_support
