#include "clients/attachment_name.h"

#include "clients/client_start.h"

namespace wrenpost {
namespace {

bool IsControl(char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }

bool HasControl(std::string_view text) {
  for (const char c : text) {
    if (IsControl(c)) return true;
  }
  return false;
}

}  // namespace

bool CarriesPath(ClientName client, std::string_view path) {
  switch (client) {
    case ClientName::kEvolution:
      return !HasControl(path);
    case ClientName::kClawsMail:
      // "attach " + the path + LF on one socket line.
      return !HasControl(path) && path.size() + 8 <= kClawsMaxRequestLine;
    default:
      return true;
  }
}

std::string CarriableName(std::string_view file_name) {
  std::string name;
  for (const char c : file_name) {
    if (!IsControl(c)) name += c;
    else if (name.empty() || name.back() != ' ') name += ' ';  // CR LF: one blank
  }
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return "załącznik";
  name = name.substr(first, name.find_last_not_of(' ') - first + 1);
  if (name == "." || name == "..") return "załącznik";
  return name;
}

}  // namespace wrenpost
