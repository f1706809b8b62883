#include "platform/posix/posix_spawn_tools.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "errors/run_error.h"
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

// A descriptor closed when it goes out of scope.
class OwnedFd {
 public:
  explicit OwnedFd(int fd = -1) : fd_(fd) {}
  ~OwnedFd() { Reset(); }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
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

namespace {

std::string SystemPath() {
  std::string path(::confstr(_CS_PATH, nullptr, 0), '\0');
  if (path.empty()) return path;
  ::confstr(_CS_PATH, path.data(), path.size());
  path.pop_back();  // the terminating NUL
  return path;
}

// Hands `fd`, the read end of a started program's standard error, to a
// reader of its own that discards everything until the last writer has gone.
// A pipe whose reader has gone would kill a long-running client at its next
// message (SIGPIPE), and a full one would stop it; a file instead would grow
// for as long as the client runs. The reader is `cat`, so that the copy of
// this process that a fork makes (the whole message may be in it) does not
// stay around for as long as the client runs; it is started twice removed, so
// that nobody has to wait for it, in a session of its own, holding nothing
// but the pipe and /dev/null.
void HandToDrain(int fd) {
  const std::optional<std::string> cat = FindExecutable("cat", SystemPath());
  const pid_t child = ::fork();
  if (child < 0) return;  // no reader: the pipe closes with this process
  if (child == 0) {
    if (::fork() != 0) ::_exit(0);
    ::setsid();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::dup2(fd, STDIN_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::close_range(3, ~0U, 0);
    if (cat) {
      char name[] = "cat";
      char* const argv[] = {name, nullptr};
      ::execv(cat->c_str(), argv);
    }
    char buffer[4096];
    while (true) {
      const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
      if (got == 0 || (got < 0 && errno != EINTR)) ::_exit(0);
    }
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

std::optional<std::string> FindExecutableOnPath(std::string_view name) {
  if (const char* path = std::getenv("PATH")) return FindExecutable(name, path);
  const std::string fallback = SystemPath();
  if (fallback.empty()) return std::nullopt;
  return FindExecutable(name, fallback);
}

namespace {

// The program to start: `program` itself when it holds a '/', else what
// FindExecutableOnPath finds. posix_spawnp would also try the empty and
// relative entries of PATH, that is the caller's current folder.
std::optional<std::string> ProgramPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  return FindExecutableOnPath(program);
}

std::string FoundProgram(const std::string& program) {
  if (auto path = ProgramPath(program)) return *path;
  throw RunError(errors::kCannotCreateObject, "Nie znaleziono programu „" + program +
                                                  "” w folderach ze zmiennej PATH (puste i względne wpisy PATH "
                                                  "są pomijane).");
}

}  // namespace

std::vector<std::string> ResolvedCommand(std::vector<std::string> command) {
  if (command.empty()) return command;
  command.front() = FoundProgram(command.front());
  const auto slash = command.front().rfind('/');
  if (command.front().substr(slash + 1) == "env") {
    for (std::size_t i = 1; i < command.size(); ++i) {
      if (command[i].find('=') != std::string::npos) continue;
      if (command[i].front() != '-') command[i] = FoundProgram(command[i]);
      break;
    }
  }
  return command;
}

// How often a started client's signs are looked for.
constexpr std::chrono::milliseconds kSignInterval{25};

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

StartOutcome StartWatched(const std::string& program, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds watch, const std::function<bool(pid_t)>& shows_start) {
  // A caller that ignores SIGCHLD would have the child reaped unseen, and its
  // failure taken for a first instance.
  struct sigaction default_action {}, previous {};
  default_action.sa_handler = SIG_DFL;
  ::sigaction(SIGCHLD, &default_action, &previous);
  struct RestoreOnExit {
    const struct sigaction& action;
    ~RestoreOnExit() { ::sigaction(SIGCHLD, &action, nullptr); }
  } restore{previous};
  Pipe error_pipe;
  if (!error_pipe.ok()) ThrowSystemError(errno, "nie można uruchomić programu " + program);
  SpawnActions actions;
  // The caller may be reading our output through a pipe until it closes; a
  // long-lived child must not hold it open.
  ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_adddup2(actions.get(), error_pipe.write_end(), STDERR_FILENO);
  SpawnAttributes attributes(POSIX_SPAWN_SETSID);
  ArgumentVector argv(arguments);
  pid_t child = 0;
  const std::optional<std::string> path = ProgramPath(program);
  if (!path) ThrowSystemError(ENOENT, "nie można uruchomić programu " + program);
  const int error = ::posix_spawn(&child, path->c_str(), actions.get(), attributes.get(), argv.get(), environ);
  if (error != 0) ThrowSystemError(error, "nie można uruchomić programu " + program);
  error_pipe.CloseWrite();
  ::fcntl(error_pipe.read_end(), F_SETFL, ::fcntl(error_pipe.read_end(), F_GETFL) | O_NONBLOCK);
  // Woken when the child ends; without pidfd (Linux before 5.3) it is looked at every 10 ms.
  OwnedFd child_fd(static_cast<int>(::syscall(SYS_pidfd_open, child, 0)));

  constexpr std::size_t kKept = 4096;
  std::string captured;
  bool pipe_open = true;
  const auto read_available = [&] {
    char buffer[4096];
    while (pipe_open) {
      const ssize_t got = ::read(error_pipe.read_end(), buffer, sizeof buffer);
      if (got > 0) {
        captured.append(buffer, std::min(static_cast<std::size_t>(got), kKept - std::min(kKept, captured.size())));
      } else if (got == 0) {
        pipe_open = false;
      } else if (errno != EINTR) {
        return;
      }
    }
  };

  StartOutcome start;
  bool waited = false;
  const auto deadline = std::chrono::steady_clock::now() + watch;
  while (true) {
    int status = 0;
    const pid_t ended = ::waitpid(child, &status, WNOHANG);
    if (ended == child) {
      read_available();
      start.kind = WIFSIGNALED(status) ? StartOutcome::Kind::kKilled : StartOutcome::Kind::kExited;
      start.code = static_cast<std::uint32_t>(WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
      start.output = std::move(captured);
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;  // the first instance, still running
    // Not before the first wait: a client that hands the message over ends
    // at once, and is not held up by the signs' first look.
    if (shows_start && waited && shows_start(child)) {
      start.kind = StartOutcome::Kind::kStarted;
      read_available();
      break;
    }
    pollfd watched[2] = {{pipe_open ? error_pipe.read_end() : -1, POLLIN, 0}, {child_fd.get(), POLLIN, 0}};
    auto wait = child_fd.get() >= 0 ? left : std::min(left, std::chrono::milliseconds(10));
    if (shows_start) wait = std::min(wait, kSignInterval);
    waited = true;
    ::poll(watched, 2, static_cast<int>(wait.count()));
    if (watched[0].revents != 0) read_available();
  }
  if (pipe_open) HandToDrain(error_pipe.read_end());
  return start;
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
    const std::optional<std::string> path = ProgramPath(program);
    if (!path || ::posix_spawn(&child, path->c_str(), actions.get(), attributes.get(), argv.get(), environ) != 0) {
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
