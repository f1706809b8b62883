// The small host services: names, clock, process facts and the warning box.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

// The system's account and computer names, as the raw content of a
// 1024-character query buffer (NUL padding and all). Raise RunError on failure.
class NameQueries {
 public:
  virtual ~NameQueries() = default;
  virtual std::string QueryUserName() = 0;
  virtual std::string QueryComputerName() = 0;
};

struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;
  int hour = 0;  // 0 to 23
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() = 0;
};

struct VersionTriple {
  int major_part = 0;
  int minor_part = 0;
  int revision = 0;
};

class Process {
 public:
  virtual ~Process() = default;
  // What the caller typed after the program's name, quotes and blanks kept.
  virtual std::string CommandText() = 0;
  // Full path of the running executable; empty when it cannot be found.
  virtual std::string ExecutablePath() = 0;
  // The character that separates folders in ExecutablePath.
  virtual char FolderSeparator() = 0;
  virtual VersionTriple Version() = 0;
};

// A modal warning: caption, text (lines joined by CR LF), a warning sign and a
// single OK. Returns when the user has closed it.
class WarningBox {
 public:
  virtual ~WarningBox() = default;
  virtual void Show(std::string_view caption, std::string_view text) = 0;
};

}  // namespace wrenpost
