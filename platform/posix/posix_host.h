// Names, clock, process facts and the warning box on POSIX systems.
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

// Writes the caption, a warning sign and the text to standard error; waits for
// Enter when standard input is a terminal.
class ConsoleWarningBox final : public WarningBox {
 public:
  void Show(std::string_view caption, std::string_view text) override;
};

}  // namespace wrenpost
