#include "platform/posix/posix_sandbox_copies.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "clients/attachment_name.h"
#include "clients/key_file.h"
#include "platform/posix/posix_error.h"
#include "platform/posix/thunderbird_body_file.h"

namespace wrenpost {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The filesystems= of a flatpak metadata or overrides file; empty when missing.
std::string FilesystemsOf(const std::string& path) {
  const std::vector<KeyFileGroup> groups = ParseKeyFile(ReadText(path));
  const KeyFileGroup* context = FindGroup(groups, "Context");
  const std::string* value = context ? context->Find("filesystems") : nullptr;
  return value ? *value : std::string();
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

void RemoveStaleCopies(const std::string& folder, std::chrono::system_clock::time_point now) noexcept {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return;
  const auto cutoff = std::chrono::system_clock::to_time_t(now - kHandedFileLifetime);
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (std::string_view(entry->d_name).substr(0, kCopyFolderPrefix.size()) != kCopyFolderPrefix) continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(info.st_mode) && info.st_mtime < cutoff) stale.push_back(folder + "/" + entry->d_name);
  }
  std::error_code ignored;
  for (const std::string& path : stale) fs::remove_all(path, ignored);  // links inside are removed, not followed
}

}  // namespace

SandboxView SandboxViewOf(const ClientLaunch& launch, const std::string& home, const std::string& data_home,
                          const std::string& config_home) {
  SandboxView view{launch.packaging, launch.sandbox, RealPath(home), {}};
  if (launch.packaging != Packaging::kFlatpak) return view;
  const char* system_dir = std::getenv("FLATPAK_SYSTEM_DIR");
  const std::string system = system_dir && system_dir[0] == '/' ? system_dir : "/var/lib/flatpak";
  const std::string user = data_home + "/flatpak";
  const std::string metadata = "/app/" + launch.sandbox + "/current/active/metadata";
  // The app's own permissions (from the installation that has it, the user's
  // first), then the overrides: the system's, then the user's.
  std::vector<std::string> values = {fs::exists(user + metadata) ? FilesystemsOf(user + metadata)
                                                                 : FilesystemsOf(system + metadata)};
  for (const std::string& installation : {system, user}) {
    for (const std::string& name : {std::string("global"), launch.sandbox}) {
      values.push_back(FilesystemsOf(installation + "/overrides/" + name));
    }
  }
  // Paths as the sandbox resolves them: the home folder's real path.
  view.granted = FlatpakGrantedFolders(values, view.home, ParseUserDirs(ReadText(config_home + "/user-dirs.dirs"), view.home));
  return view;
}

std::string SandboxCopies::Folder() const {
  return view_.packaging == Packaging::kPlain ? BodyFolderPath() : SandboxCopyFolder(view_);
}

void SandboxCopies::Prepare(std::chrono::system_clock::time_point now) const {
  const std::string folder = Folder();
  // The parents (~/snap/NAME/common, ~/.var/app/ID/cache) belong to the
  // sandbox; made here only when it has never run, privately.
  std::string parent;
  const std::size_t from = view_.packaging == Packaging::kPlain ? std::string::npos : view_.home.size() + 1;
  for (std::size_t slash = from; (slash = folder.find('/', slash)) != std::string::npos; ++slash) {
    parent = folder.substr(0, slash);
    if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) ThrowSystemError(errno, parent);
  }
  PreparePrivateFolder(folder);
  RemoveStale(now);
}

void SandboxCopies::RemoveStale(std::chrono::system_clock::time_point now) const noexcept {
  const std::string folder = Folder();
  if (!IsPrivateFolder(folder)) return;
  RemoveStaleBodyFiles(folder, now);
  RemoveStaleCopies(folder, now);
}

std::string SandboxCopies::Readable(const std::string& path, ClientName client) {
  if (view_.packaging == Packaging::kPlain && CarriesPath(client, path)) return path;
  const std::string resolved = RealPath(path);
  struct stat info {};
  const bool owned = ::stat(resolved.c_str(), &info) == 0 && info.st_uid == ::geteuid();
  if (view_.packaging != Packaging::kPlain && BaseName(resolved) == BaseName(path) &&
      CarriesPath(client, resolved) && SandboxSees(view_, resolved, owned)) {
    return resolved;
  }

  std::string copy_folder = Folder() + "/" + std::string(kCopyFolderPrefix) + "XXXXXX";
  if (::mkdtemp(copy_folder.data()) == nullptr) ThrowSystemError(errno, Folder());
  made_.push_back(copy_folder);
  const std::string copy = copy_folder + "/" + CarriableName(BaseName(path));
  std::error_code error;
  fs::copy_file(resolved, copy, error);
  if (!error) fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, error);
  if (error) ThrowSystemError(error.value(), path);
  return copy;
}

void SandboxCopies::Discard() noexcept {
  std::error_code ignored;
  for (const std::string& folder : made_) fs::remove_all(folder, ignored);
  made_.clear();
}

}  // namespace wrenpost
