// Files made readable to a mail client: what it sees under a name it can
// carry (CarriesPath) is handed over as it is, anything else as a private
// copy in a folder that nobody else may enter: the sandbox's own for a snap
// or a flatpak, the body files' folder for a plain client.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "clients/linux_client_choice.h"
#include "clients/sandbox_view.h"

namespace wrenpost {

// Names of copy folders start with this, one fresh folder per copy.
inline constexpr std::string_view kCopyFolderPrefix = "wrenpost-copy-";

// What the client of `launch` sees: the home folder (symbolic links
// resolved) and, for a flatpak, the folders its metadata and the
// installations' overrides grant.
SandboxView SandboxViewOf(const ClientLaunch& launch, const std::string& home, const std::string& data_home,
                          const std::string& config_home);

class SandboxCopies {
 public:
  explicit SandboxCopies(SandboxView view) : view_(std::move(view)) {}

  // The folder for copies and body files: SandboxCopyFolder, or
  // BodyFolderPath for a plain client.
  std::string Folder() const;

  // Creates the folder (mode 0700, and its missing parents) and checks that
  // it is private; removes copies and body files of earlier runs that are a
  // day old. Raises RunError when the folder cannot be made private.
  void Prepare(std::chrono::system_clock::time_point now) const;

  // Removes what Prepare removes, when the folder is there and private. Never raises.
  void RemoveStale(std::chrono::system_clock::time_point now) const noexcept;

  // The path under which `client` reads the file at `path`: the file itself
  // (for a sandbox, symbolic links resolved) when the client sees it under
  // its own name and carries that path, otherwise a new copy named
  // CarriableName, mode 0600, in a fresh folder of mode 0700. Raises
  // RunError when the copy cannot be made.
  std::string Readable(const std::string& path, ClientName client);

  // Removes the copies this object made (the client did not start).
  void Discard() noexcept;

 private:
  SandboxView view_;
  std::vector<std::string> made_;
};

}  // namespace wrenpost
