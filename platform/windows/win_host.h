// The small host services on Windows.
#pragma once

#include "platform/host.h"

namespace wrenpost {

// GetUserNameA and GetComputerNameA into a 1024-character buffer.
class WindowsNameQueries final : public NameQueries {
 public:
  std::string QueryUserName() override;
  std::string QueryComputerName() override;
};

class WindowsClock final : public Clock {
 public:
  LocalDateTime Now() override;
};

class WindowsProcess final : public Process {
 public:
  // GetCommandLineW without the program's name.
  std::string CommandText() override;
  // GetModuleFileNameW, of any length.
  std::string ExecutablePath() override;
  char FolderSeparator() override { return '\\'; }
  // From the executable's own version resource; 0.0.0 when it has none.
  VersionTriple Version() override;
};

// MessageBoxW, brought to the foreground: the program has no window of its
// own that could keep it above the caller's.
class WindowsWarningBox final : public WarningBox {
 public:
  void Show(std::string_view caption, std::string_view text) override;
};

}  // namespace wrenpost
