// The file system on POSIX systems. A Windows caller's notion of a "normal
// file" is kept: regular files only, and names starting with "." count as hidden.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/log_wait.h"

namespace wrenpost {

class PosixFileSystem final : public FileSystem {
 public:
  // How a log entry that waits for the file pauses between its tries.
  using LogPause = std::function<void(std::chrono::milliseconds)>;

  // `pause` null: the thread sleeps.
  explicit PosixFileSystem(LogWaitPolicy log_wait = LogWaitPolicy(), LogPause pause = nullptr);

  bool FileExists(const std::string& path) override;
  std::string ReadBytes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  std::string FoundFilePath(const std::string& path) override;
  // UTF-8, under an exclusive advisory lock (flock) so that concurrent runs
  // never interleave inside an entry.
  void AppendText(const std::string& path, std::string_view text) override;
  // Windows-1250.
  std::string DecodeLegacyText(std::string_view bytes) override;

 private:
  LogWaitPolicy log_wait_;
  LogPause pause_;
};

// Writes all of `text` through `write` (which keeps ::write's contract),
// again after a partial write or an interruption. Raises RunError for `path`
// on an error, and when a write makes no progress.
void WriteAll(std::string_view text, const std::function<long(const char*, std::size_t)>& write,
              const std::string& path);

// This process's current folder. Raises RunError when it cannot be read.
std::string CurrentFolder();

// The first normal file that a lookup of `path` finds, as FileExists looks:
// `path` itself when it has no wildcards, else the matching file's path in the
// same folder. Raises RunError when the lookup itself fails.
std::optional<std::string> FindNormalFile(const std::string& path);

// Matches a file name against a pattern where "*" stands for any run of
// characters and "?" for exactly one, as in a Windows directory listing.
bool MatchesWildcard(std::string_view name, std::string_view pattern) noexcept;

}  // namespace wrenpost
