// Names, clock and process facts on POSIX systems (the warning box is in
// posix_warning_box.h).
#pragma once

#include <string>
#include <vector>

#include "platform/host.h"

namespace wrenpost {

class PosixNameQueries final : public NameQueries {
 public:
  std::string QueryUserName() override;      // the effective user's login name
  std::string QueryComputerName() override;  // the host name
};

class PosixClock final : public Clock {
 public:
  LocalDateTime Now() override;
};

class PosixProcess final : public Process {
 public:
  PosixProcess(int argc, char** argv);
  std::string CommandText() override;
  std::string ExecutablePath() override;
  char FolderSeparator() override { return '/'; }
  VersionTriple Version() override;

 private:
  std::vector<std::string> arguments_;
  std::string program_name_;
};

// Rebuilds one command text from arguments the shell already split, as a
// Windows caller would have typed it: joined by single blanks, an argument
// that holds a blank (or is empty) wrapped in double quotes.
std::string JoinCommandText(const std::vector<std::string>& arguments);

}  // namespace wrenpost
