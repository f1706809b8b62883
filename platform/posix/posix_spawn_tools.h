// Starting other programs: found on PATH, started with an argument vector and
// never through a shell.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/start_watch.h"

namespace wrenpost {

// The first executable regular file called `name` in the folders of
// `search_path` (a PATH value). Empty and relative folders are skipped, so a
// program in the caller's current folder is never picked up by accident.
std::optional<std::string> FindExecutable(std::string_view name, std::string_view search_path);

// The same, in this process's PATH (the system's default path when unset).
std::optional<std::string> FindExecutableOnPath(std::string_view name);

// `command` (a desktop file's Exec words) with its program, and the program
// an "env NAME=VALUE ..." prefix starts, as absolute paths: a bare name is
// looked up as FindExecutableOnPath does. Raises RunError (429) naming the
// program when it is not found.
std::vector<std::string> ResolvedCommand(std::vector<std::string> command);

// Whether the session has a display a graphical program can open: DISPLAY or
// WAYLAND_DISPLAY set and not empty.
bool HasDisplay();

// Starts `program` (a path, or a name looked up as FindExecutableOnPath does)
// with `arguments` (arguments[0] is the name the program sees) in a session
// of its own, with standard input and output on
// /dev/null, and watches it for at most `watch`: it returns as soon as the
// program ends, as soon as `shows_start` (asked every few tens of
// milliseconds, with the program's PID) says that it got past its start, or
// when the watch is over, with the first 4 KiB it wrote to standard error. Standard error goes to a pipe read
// during the watch; when the program (or a child of it) may still write there
// afterwards, a small detached reader takes the pipe over and discards what
// comes, so that the program is never stopped by a full pipe or killed by one
// without a reader, and nothing grows on disk. Raises RunError with the
// system's number when the program cannot be started.
StartOutcome StartWatched(const std::string& program, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds watch,
                          const std::function<bool(pid_t)>& shows_start = nullptr);

// How a waited-for program ended.
struct ProgramEnd {
  bool started = false;   // false when it could not be started at all
  bool exited = false;    // ended by exit rather than by a signal
  int exit_code = -1;
};

// Starts `program`, feeds `input` to its standard input (or leaves standard
// input alone when empty) and waits until it ends. Never raises.
ProgramEnd RunAndWait(const std::string& program, const std::vector<std::string>& arguments,
                      std::string_view input = {}) noexcept;

}  // namespace wrenpost
