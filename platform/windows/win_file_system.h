// The file system through the Win32 "W" calls.
#pragma once

#include "platform/file_system.h"
#include "platform/log_wait.h"

namespace wrenpost {

// File operations that fail raise RunError numbered as the callers' runtime
// numbers file errors (FileErrorNumber), with the system's text and the path.
class WindowsFileSystem final : public FileSystem {
 public:
  explicit WindowsFileSystem(LogWaitPolicy log_wait = LogWaitPolicy()) : log_wait_(log_wait) {}

  bool FileExists(const std::string& path) override;
  std::string ReadBytes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  // The folder of `path` as written and the name FindFirstFileW found,
  // through GetFullPathNameW when that is not absolute.
  std::string FoundFilePath(const std::string& path) override;
  // In the ANSI code page; characters it cannot show become "?".
  void AppendText(const std::string& path, std::string_view text) override;
  // The ANSI code page; Windows-1250 when that is UTF-8 (a system option),
  // since only text that is not UTF-8 comes here.
  std::string DecodeLegacyText(std::string_view bytes) override;

 private:
  LogWaitPolicy log_wait_;
};

}  // namespace wrenpost
