#include <cstdio>

#include "fuzz/fuzz_check.h"

namespace wrenpost::fuzz {

std::string Shown(std::string_view text) {
  std::string shown = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\' && c != '"') {
      shown += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    }
    if (shown.size() > 400) {
      shown += "...";
      break;
    }
  }
  return shown + "\"";
}

}  // namespace wrenpost::fuzz
