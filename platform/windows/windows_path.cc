#include "platform/windows/windows_path.h"

namespace wrenpost {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsFullWindowsPath(std::string_view path) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;  // UNC, \\?\ .
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

std::string_view FolderPart(std::string_view path) {
  const auto last = path.find_last_of("\\/");
  if (last != std::string_view::npos) return path.substr(0, last + 1);
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') return path.substr(0, 2);
  return {};
}

}  // namespace wrenpost
