#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>

#include "platform/posix/posix_error.h"
#include "text/cp1250.h"
#include "text/utf8.h"

namespace wrenpost {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

bool IsMissing(int error_number) { return error_number == ENOENT || error_number == ENOTDIR; }

bool HasWildcard(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}

bool IsRegularFile(int dir_fd, const char* name) {
  struct stat info {};
  return ::fstatat(dir_fd, name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

void SleepFor(std::chrono::milliseconds length) { std::this_thread::sleep_for(length); }

PosixFileSystem::PosixFileSystem(LogWaitPolicy log_wait, LogPause pause)
    : log_wait_(log_wait), pause_(pause ? std::move(pause) : LogPause(SleepFor)) {}

bool MatchesWildcard(std::string_view name, std::string_view pattern) noexcept {
  // Iterative matching with one backtrack point: linear in practice, never
  // exponential on patterns such as "*a*a*a*b".
  std::size_t n = 0, p = 0;
  std::size_t star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_n = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += std::min(Utf8SequenceLength(static_cast<unsigned char>(name[n])), name.size() - n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      star_n += Utf8SequenceLength(static_cast<unsigned char>(name[star_n]));
      n = std::min(star_n, name.size());
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::optional<std::string> FindNormalFile(const std::string& path) {
  // An empty list element must never find something in the current folder.
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  const auto slash = path.rfind('/');
  const std::string_view name =
      slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
  if (name.empty() || name.front() == '.') return std::nullopt;  // a folder path, or a hidden name

  if (!HasWildcard(name)) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
      if (IsMissing(errno)) return std::nullopt;
      ThrowSystemError(errno, path);
    }
    if (!S_ISREG(info.st_mode)) return std::nullopt;
    return path;
  }

  const std::string folder =
      slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) {
    if (IsMissing(errno)) return std::nullopt;
    ThrowSystemError(errno, path);
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;
    if (!MatchesWildcard(entry->d_name, name)) continue;
    if (IsRegularFile(::dirfd(dir.get()), entry->d_name)) {
      return slash == std::string::npos ? std::string(entry->d_name)
                                        : path.substr(0, slash + 1) + entry->d_name;
    }
  }
  return std::nullopt;
}

bool PosixFileSystem::FileExists(const std::string& path) { return FindNormalFile(path).has_value(); }

std::string PosixFileSystem::ReadBytes(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) ThrowSystemError(errno, path);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) ThrowSystemError(errno, path);
  if (S_ISDIR(info.st_mode)) ThrowSystemError(EISDIR, path);

  std::string bytes;
  std::size_t size = 0;
  // One byte more than the file's size, so that the end of the file is seen
  // without growing the buffer: doubling it would copy the whole file again.
  bytes.resize(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 4096);
  for (;;) {
    if (size == bytes.size()) bytes.resize(bytes.size() * 2);  // the file grew, or has no size
    const ssize_t got = ::read(file.get(), bytes.data() + size, bytes.size() - size);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowSystemError(errno, path);
    }
    if (got == 0) break;
    size += static_cast<std::size_t>(got);
  }
  bytes.resize(size);
  return bytes;
}

void PosixFileSystem::RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) ThrowSystemError(errno, path);
}

std::string CurrentFolder() {
  std::string folder(256, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) ThrowSystemError(errno, "getcwd");
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return folder;
}

std::string PosixFileSystem::FoundFilePath(const std::string& path) {
  std::optional<std::string> found = FindNormalFile(path);
  if (!found) ThrowSystemError(ENOENT, path);
  if (found->front() == '/') return std::move(*found);
  return CurrentFolder() + "/" + *found;
}

void WriteAll(std::string_view text, const std::function<long(const char*, std::size_t)>& write,
              const std::string& path) {
  while (!text.empty()) {
    const long put = write(text.data(), text.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      ThrowSystemError(errno, path);
    }
    // Nothing written and no error: trying again would spin for ever.
    if (put == 0) ThrowSystemError(EIO, path);
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

void PosixFileSystem::AppendText(const std::string& path, std::string_view text) {
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (file.get() < 0) ThrowSystemError(errno, path);

  // Another run may be writing its entry; wait for it a little, then give up.
  const bool taken = TakeLog(
      log_wait_,
      [&] {
        if (::flock(file.get(), LOCK_EX | LOCK_NB) == 0) return LogTry::kTaken;
        if (errno != EWOULDBLOCK && errno != EINTR) ThrowSystemError(errno, path);
        return LogTry::kHeld;
      },
      pause_);
  if (!taken) ThrowSystemError(EWOULDBLOCK, path);
  WriteAll(text, [&](const char* bytes, std::size_t size) { return static_cast<long>(::write(file.get(), bytes, size)); },
           path);
  log_wait_.EntryWritten();
}  // closing the file drops the lock

std::string PosixFileSystem::DecodeLegacyText(std::string_view bytes) {
  return Cp1250ToUtf8(bytes);
}

}  // namespace wrenpost
