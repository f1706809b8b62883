#include "platform/posix/thunderbird_body_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/posix/posix_error.h"
#include "text/html.h"

namespace wrenpost {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

std::string AbsoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return {};
  std::string text = value;
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace

std::string BodyFolderPath() {
  const std::string runtime = AbsoluteVariable("XDG_RUNTIME_DIR");
  struct stat info {};
  if (!runtime.empty() && ::stat(runtime.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return runtime + "/wrenpost";
  }
  std::string temporary = AbsoluteVariable("TMPDIR");
  if (temporary.empty()) temporary = "/tmp";
  if (temporary.back() != '/') temporary += '/';
  return temporary + "wrenpost-" + std::to_string(::geteuid());
}

bool IsPrivateFolder(const std::string& folder) noexcept {
  struct stat info {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
         (info.st_mode & 077) == 0;
}

void PreparePrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) ThrowSystemError(errno, folder);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) ThrowSystemError(errno, folder);
  if (!IsPrivateFolder(folder)) {
    throw RunError(EACCES, "Folder " + folder +
                               " nie jest prywatnym folderem użytkownika; treść wiadomości nie "
                               "zostanie w nim zapisana.");
  }
}

void RemoveStaleBodyFiles(const std::string& folder,
                          std::chrono::system_clock::time_point now) noexcept {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return;
  const auto cutoff = std::chrono::system_clock::to_time_t(now - kHandedFileLifetime);
  while (const dirent* entry = ::readdir(dir.get())) {
    if (std::string_view(entry->d_name).substr(0, kBodyFilePrefix.size()) != kBodyFilePrefix) continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_mtime >= cutoff) continue;
    ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
  }
}

std::string WriteBodyFile(const std::string& folder, std::string_view given, BodyFormat format) {
  // Thunderbird reads each LF of an HTML body file as a blank, also in <pre>.
  // (A plain body is written as given: no copy of what may be a large text.)
  std::string kept;
  if (format == BodyFormat::kHtml) kept = LineBreaksKeptAsCr(given);
  std::string_view body = format == BodyFormat::kHtml ? std::string_view(kept) : given;
  const std::string suffix = format == BodyFormat::kHtml ? ".html" : ".txt";
  std::string path = folder + "/" + std::string(kBodyFilePrefix) + "XXXXXX" + suffix;
  const int fd = ::mkostemps(path.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) ThrowSystemError(errno, folder);
  // mkostemps creates the file with 0600 less the umask; make it exactly that.
  int error = ::fchmod(fd, 0600) == 0 ? 0 : errno;
  while (error == 0 && !body.empty()) {
    const ssize_t put = ::write(fd, body.data(), body.size());
    if (put < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    body.remove_prefix(static_cast<std::size_t>(put));
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(path.c_str());  // a half-written body must not reach anybody
    ThrowSystemError(error, path);
  }
  return path;
}

}  // namespace wrenpost
