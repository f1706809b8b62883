#include "platform/posix/posix_spawn_tools.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/posix_error.h"

extern char** environ;

namespace wrenpost {
namespace {

// Owns the argv array handed to posix_spawnp.
class ArgumentVector {
 public:
  explicit ArgumentVector(const std::vector<std::string>& arguments) : texts_(arguments) {
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
  }
  char* const* get() { return pointers_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};

class SpawnActions {
 public:
  SpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
 public:
  // A child with the default signal mask and dispositions, whatever this
  // process has changed.
  explicit SpawnAttributes(short extra_flags) {
    ::posix_spawnattr_init(&attributes_);
    sigset_t none, all_defaults;
    sigemptyset(&none);
    sigemptyset(&all_defaults);
    sigaddset(&all_defaults, SIGPIPE);
    sigaddset(&all_defaults, SIGINT);
    sigaddset(&all_defaults, SIGQUIT);
    ::posix_spawnattr_setsigmask(&attributes_, &none);
    ::posix_spawnattr_setsigdefault(&attributes_, &all_defaults);
    ::posix_spawnattr_setflags(&attributes_,
                               static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extra_flags));
  }
  ~SpawnAttributes() { ::posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawnattr_t* get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

class Pipe {
 public:
  Pipe() {
    if (::pipe2(ends_, O_CLOEXEC) != 0) ends_[0] = ends_[1] = -1;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool ok() const { return ends_[0] >= 0; }
  int read_end() const { return ends_[0]; }
  int write_end() const { return ends_[1]; }
  void CloseRead() { Close(ends_[0]); }
  void CloseWrite() { Close(ends_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  int ends_[2];
};

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> FindExecutable(std::string_view name, std::string_view search_path) {
  if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
  while (true) {
    const auto colon = search_path.find(':');
    const std::string_view folder = search_path.substr(0, colon);
    if (!folder.empty() && folder.front() == '/') {
      std::string candidate(folder);
      if (candidate.back() != '/') candidate += '/';
      candidate += name;
      if (IsExecutableFile(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) return std::nullopt;
    search_path.remove_prefix(colon + 1);
  }
}

std::optional<std::string> FindExecutableOnPath(std::string_view name) {
  if (const char* path = std::getenv("PATH")) return FindExecutable(name, path);
  std::string fallback(::confstr(_CS_PATH, nullptr, 0), '\0');
  if (fallback.empty()) return std::nullopt;
  ::confstr(_CS_PATH, fallback.data(), fallback.size());
  fallback.pop_back();  // the terminating NUL
  return FindExecutable(name, fallback);
}

void StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
  SpawnActions actions;
  // The caller may be reading our output through a pipe until it closes; a
  // long-lived child must not hold it open.
  ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  SpawnAttributes attributes(POSIX_SPAWN_SETSID);
  ArgumentVector argv(arguments);
  pid_t child = 0;
  const int error = ::posix_spawnp(&child, program.c_str(), actions.get(), attributes.get(), argv.get(), environ);
  if (error != 0) ThrowSystemError(error, "nie można uruchomić programu " + program);
}

ProgramEnd RunAndWait(const std::string& program, const std::vector<std::string>& arguments,
                      std::string_view input) noexcept {
  ProgramEnd end;
  try {
    SpawnActions actions;
    Pipe pipe;
    if (!input.empty()) {
      if (!pipe.ok()) return end;
      ::posix_spawn_file_actions_adddup2(actions.get(), pipe.read_end(), STDIN_FILENO);
    }
    SpawnAttributes attributes(0);
    ArgumentVector argv(arguments);
    pid_t child = 0;
    if (::posix_spawnp(&child, program.c_str(), actions.get(), attributes.get(), argv.get(), environ) != 0) {
      return end;
    }
    end.started = true;
    if (!input.empty()) {
      pipe.CloseRead();
      // A write to a reader that has gone raises SIGPIPE; ignore it for this write.
      struct sigaction ignore {}, previous {};
      ignore.sa_handler = SIG_IGN;
      ::sigaction(SIGPIPE, &ignore, &previous);
      while (!input.empty()) {
        const ssize_t put = ::write(pipe.write_end(), input.data(), input.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        input.remove_prefix(static_cast<std::size_t>(put));
      }
      ::sigaction(SIGPIPE, &previous, nullptr);
      pipe.CloseWrite();
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
      if (errno != EINTR) return end;
    }
    end.exited = WIFEXITED(status);
    end.exit_code = end.exited ? WEXITSTATUS(status) : -1;
  } catch (...) {
  }
  return end;
}

}  // namespace wrenpost
