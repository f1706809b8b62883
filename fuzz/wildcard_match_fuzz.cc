// Attachment names with wildcards: MatchesWildcard against a table-filling
// model over characters ("?" is one character, also a multi-byte one). Any
// bytes are fed; the model is compared where both texts are well-formed UTF-8.
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "platform/posix/posix_file_system.h"
#include "text/utf8.h"

namespace wrenpost::fuzz {
namespace {

std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> characters;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    characters.push_back(text.substr(at, length));
    at += length;
  }
  return characters;
}

bool ModelMatch(const std::string& name_text, const std::string& pattern_text) {
  const auto name = Characters(name_text);
  const auto pattern = Characters(pattern_text);
  // matches[i][j]: the first i name characters match the first j pattern characters.
  std::vector<std::vector<bool>> matches(name.size() + 1, std::vector<bool>(pattern.size() + 1));
  matches[0][0] = true;
  for (std::size_t j = 1; j <= pattern.size(); ++j) {
    matches[0][j] = matches[0][j - 1] && pattern[j - 1] == "*";
  }
  for (std::size_t i = 1; i <= name.size(); ++i) {
    for (std::size_t j = 1; j <= pattern.size(); ++j) {
      const std::string& p = pattern[j - 1];
      if (p == "*") {
        matches[i][j] = matches[i][j - 1] || matches[i - 1][j];
      } else {
        matches[i][j] = matches[i - 1][j - 1] && (p == "?" || p == name[i - 1]);
      }
    }
  }
  return matches[name.size()][pattern.size()];
}

}  // namespace

int FuzzWildcardMatch(const std::uint8_t* data, std::size_t size) {
  ByteReader input(data, size);
  const std::string pattern = input.TakeText(64);
  const std::string name = input.TakeRest().substr(0, 256);
  const bool matched = MatchesWildcard(name, pattern);  // any bytes: no crash, no overrun
  if (IsValidUtf8(name) && IsValidUtf8(pattern)) {
    FUZZ_CHECK(matched == ModelMatch(name, pattern),
               "MatchesWildcard(" + Shown(name) + ", " + Shown(pattern) + ") gave " +
                   (matched ? "true" : "false"));
  }
  return 0;
}

}  // namespace wrenpost::fuzz
