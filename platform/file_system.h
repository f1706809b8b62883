// The file system as the program sees it. Paths and texts are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // A directory lookup of `path` exactly as written, for normal files only:
  // folders, hidden and system files are not found; wildcards in the last
  // component match as in a directory listing. The empty path is not found.
  // A lookup that fails for any reason other than "not there" raises RunError.
  virtual bool FileExists(const std::string& path) = 0;

  // The file's whole content. Raises RunError when it cannot be read.
  virtual std::string ReadBytes(const std::string& path) = 0;

  // Raises RunError when the file cannot be deleted.
  virtual void RemoveFile(const std::string& path) = 0;

  // The full path of the normal file that FileExists finds for `path`, to
  // hand another program (the mail client, with a current folder of its
  // own): for a wildcard pattern the first file it matches, as the lookup
  // found it; a relative path made absolute against this program's current
  // folder. Raises RunError when nothing is found (any more).
  virtual std::string FoundFilePath(const std::string& path) = 0;

  // Appends `text` to the file in one write, creating it if needed, in the
  // log's encoding (the system code page on Windows, UTF-8 elsewhere). While
  // another process holds the file it retries for a while (LogWaitPolicy).
  // Raises RunError when the text could not be appended.
  virtual void AppendText(const std::string& path, std::string_view text) = 0;

  // Decodes text in the system's legacy 8-bit code page into UTF-8.
  virtual std::string DecodeLegacyText(std::string_view bytes) = 0;
};

}  // namespace wrenpost
