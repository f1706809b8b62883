// What a mail client in a snap or a flatpak can read of the user's files.
// What is not known to be visible counts as invisible: such a file goes to
// the client as a private copy. Pure code.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "clients/linux_client_choice.h"

namespace wrenpost {

struct SandboxView {
  Packaging packaging = Packaging::kPlain;
  std::string name;  // the snap's name or the flatpak's application ID
  std::string home;  // the user's home folder, symbolic links resolved
  // A flatpak's: the folders its filesystem permissions grant (FlatpakGrantedFolders).
  std::vector<std::string> granted;
};

// Whether the client sees the file at `path` (absolute, symbolic links
// resolved); `owned`: the user owns it. A plain client sees everything. A
// snap (its "home" interface) sees the user's own files under home with no
// hidden folder or file on the way, and its own ~/snap/NAME, not other snaps'.
// A flatpak sees its own ~/.var/app/ID and, below each granted folder,
// what has no hidden part.
bool SandboxSees(const SandboxView& view, std::string_view path, bool owned);

// Where the program puts private copies and body files for a sandboxed
// client: a folder that it sees and others cannot enter
// (~/snap/NAME/common/wrenpost, ~/.var/app/ID/cache/wrenpost).
std::string SandboxCopyFolder(const SandboxView& view);

// The special folders of ~/.config/user-dirs.dirs ("DOWNLOAD" -> "/home/u/Pobrane").
std::map<std::string, std::string> ParseUserDirs(std::string_view text, const std::string& home);

// The folders a flatpak's "filesystems" values grant, taken in the order
// flatpak applies them (its metadata, then the overrides); "!x" takes back x,
// ":ro", ":rw" and ":create" make no difference to reading. "host" counts as
// home and the removable media; system folders are not counted.
std::vector<std::string> FlatpakGrantedFolders(const std::vector<std::string>& filesystems_values,
                                               const std::string& home,
                                               const std::map<std::string, std::string>& user_dirs);

}  // namespace wrenpost
