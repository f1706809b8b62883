#include "platform/posix/posix_host.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

#include "platform/posix/posix_error.h"
#include "wrenpost_version.h"

namespace wrenpost {
namespace {

// The size of the buffer the name queries fill, as on Windows.
constexpr std::size_t kNameBufferSize = 1024;

std::string NameBuffer(const std::string& name) {
  if (name.size() >= kNameBufferSize) {
    throw RunError(ENAMETOOLONG, "nazwa nie mieści się w buforze");
  }
  std::string buffer(kNameBufferSize, '\0');
  buffer.replace(0, name.size(), name);
  return buffer;
}

}  // namespace

std::string PosixNameQueries::QueryUserName() {
  std::vector<char> scratch(16384);
  passwd entry{};
  passwd* found = nullptr;
  const int error = ::getpwuid_r(::geteuid(), &entry, scratch.data(), scratch.size(), &found);
  if (error != 0) ThrowSystemError(error, "getpwuid_r");
  if (found == nullptr || found->pw_name == nullptr) throw RunError(ENOENT, "no such user");
  return NameBuffer(found->pw_name);
}

std::string PosixNameQueries::QueryComputerName() {
  std::string buffer(kNameBufferSize, '\0');
  if (::gethostname(buffer.data(), buffer.size()) != 0) ThrowSystemError(errno, "gethostname");
  return buffer;
}

LocalDateTime PosixClock::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) ThrowSystemError(errno, "localtime_r");
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

PosixProcess::PosixProcess(int argc, char** argv) {
  if (argc > 0 && argv[0] != nullptr) program_name_ = argv[0];
  for (int i = 1; i < argc; ++i) arguments_.emplace_back(argv[i]);
}

std::string JoinCommandText(const std::vector<std::string>& arguments) {
  std::string text;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (i > 0) text += ' ';
    if (argument.empty() || argument.find(' ') != std::string::npos) {
      text += '"';
      text += argument;
      text += '"';
    } else {
      text += argument;
    }
  }
  return text;
}

std::string PosixProcess::CommandText() { return JoinCommandText(arguments_); }

std::string PosixProcess::ExecutablePath() {
  std::string path(PATH_MAX, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) break;
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);
  }
  // No /proc: the name the program was started by, made absolute.
  char resolved[PATH_MAX];
  if (!program_name_.empty() && ::realpath(program_name_.c_str(), resolved) != nullptr) {
    return resolved;
  }
  return {};
}

VersionTriple PosixProcess::Version() {
  return {WRENPOST_VERSION_MAJOR, WRENPOST_VERSION_MINOR, WRENPOST_VERSION_PATCH};
}

}  // namespace wrenpost
