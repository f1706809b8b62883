#include "clients/sandbox_view.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "clients/key_file.h"

namespace wrenpost {
namespace {

// The part of `path` below `folder`, or nullopt when it is not inside it.
std::optional<std::string_view> Below(std::string_view path, std::string_view folder) {
  if (folder.empty() || folder == "/") return path.substr(path.empty() ? 0 : 1);
  if (path.size() <= folder.size() + 1 || path.substr(0, folder.size()) != folder || path[folder.size()] != '/') {
    return std::nullopt;
  }
  return path.substr(folder.size() + 1);
}

bool HasHiddenPart(std::string_view relative) {
  for (const std::string& part : SplitList(relative, '/')) {
    if (part.front() == '.') return true;
  }
  return false;
}

std::string FirstPart(std::string_view relative) { return std::string(relative.substr(0, relative.find('/'))); }

// A "filesystems" value as a folder; empty for what does not name one we count.
std::vector<std::string> FoldersOf(std::string_view value, const std::string& home,
                                   const std::map<std::string, std::string>& user_dirs) {
  const auto colon = value.rfind(':');
  if (colon != std::string_view::npos) {
    const std::string_view mode = value.substr(colon + 1);
    if (mode == "ro" || mode == "rw" || mode == "create") value = value.substr(0, colon);
  }
  while (value.size() > 1 && value.back() == '/') value.remove_suffix(1);
  if (value == "home" || value == "~") return {home};
  if (value == "host") return {home, "/media", "/mnt", "/run/media", "/opt", "/srv"};
  if (value.substr(0, 2) == "~/") return {home + std::string(value.substr(1))};
  if (value.substr(0, 4) == "xdg-") {
    const auto slash = value.find('/');
    std::string key(value.substr(4, slash == std::string_view::npos ? value.npos : slash - 4));
    // "xdg-public-share" is XDG_PUBLICSHARE_DIR.
    key.erase(std::remove(key.begin(), key.end(), '-'), key.end());
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
    const auto found = user_dirs.find(key);
    if (found == user_dirs.end()) return {};
    return {found->second + std::string(slash == std::string_view::npos ? "" : value.substr(slash))};
  }
  // System folders are the runtime's inside the sandbox, whatever is granted.
  constexpr std::array<std::string_view, 10> kSystem = {"/usr", "/etc", "/lib", "/lib32", "/lib64",
                                                        "/bin", "/sbin", "/proc", "/sys", "/dev"};
  if (value.empty() || value.front() != '/' || value == "/") return {};
  for (const std::string_view system : kSystem) {
    if (value == system || Below(value, system)) return {};
  }
  return {std::string(value)};
}

}  // namespace

bool SandboxSees(const SandboxView& view, std::string_view path, bool owned) {
  switch (view.packaging) {
    case Packaging::kPlain:
      return true;
    case Packaging::kSnap: {
      const auto relative = Below(path, view.home);
      if (!owned || !relative || HasHiddenPart(*relative)) return false;
      if (FirstPart(*relative) != "snap") return true;
      return Below(*relative, "snap/" + view.name).has_value();
    }
    case Packaging::kFlatpak: {
      if (Below(path, view.home + "/.var/app/" + view.name)) return true;
      for (const std::string& folder : view.granted) {
        const auto relative = Below(path, folder);
        if (relative && !HasHiddenPart(*relative)) return true;
      }
      return false;
    }
  }
  return false;
}

std::string SandboxCopyFolder(const SandboxView& view) {
  if (view.packaging == Packaging::kSnap) return view.home + "/snap/" + view.name + "/common/wrenpost";
  return view.home + "/.var/app/" + view.name + "/cache/wrenpost";
}

std::map<std::string, std::string> ParseUserDirs(std::string_view text, const std::string& home) {
  std::map<std::string, std::string> dirs;
  for (const std::string& line : SplitList(text, '\n')) {
    // XDG_DOWNLOAD_DIR="$HOME/Downloads"
    constexpr std::string_view kLead = "XDG_", kTail = "_DIR";
    const auto equals = line.find('=');
    if (line.front() == '#' || equals == std::string::npos || line.compare(0, kLead.size(), kLead) != 0) continue;
    const std::string name = line.substr(0, equals);
    if (name.size() <= kLead.size() + kTail.size() || name.compare(name.size() - kTail.size(), kTail.size(), kTail) != 0) {
      continue;
    }
    std::string value = line.substr(equals + 1);
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0) {
      value = home + value.substr(5);
    } else if (value.empty() || value.front() != '/') {
      continue;
    }
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    // A special folder set to home itself means "none".
    if (value == home) continue;
    dirs[name.substr(kLead.size(), name.size() - kLead.size() - kTail.size())] = value;
  }
  return dirs;
}

std::vector<std::string> FlatpakGrantedFolders(const std::vector<std::string>& filesystems_values,
                                               const std::string& home,
                                               const std::map<std::string, std::string>& user_dirs) {
  std::vector<std::string> granted;
  for (const std::string& value : filesystems_values) {
    for (const std::string& item : SplitList(value, ';')) {
      const bool taken_back = item.front() == '!';
      for (const std::string& folder : FoldersOf(taken_back ? item.substr(1) : item, home, user_dirs)) {
        granted.erase(std::remove(granted.begin(), granted.end(), folder), granted.end());
        if (!taken_back) granted.push_back(folder);
      }
    }
  }
  return granted;
}

}  // namespace wrenpost
