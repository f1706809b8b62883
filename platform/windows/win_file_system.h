// The file system through the Win32 "W" calls.
#pragma once

#include "platform/file_system.h"

namespace wrenpost {

class WindowsFileSystem final : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  std::string ReadBytes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  // In the ANSI code page; characters it cannot show become "?".
  void AppendText(const std::string& path, std::string_view text) override;
  std::string DecodeLegacyText(std::string_view bytes) override;
};

}  // namespace wrenpost
