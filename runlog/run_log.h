// The run log: Wrenpost.log beside the executable, appended to by every run.
// Writing it can never make a run fail.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"
#include "platform/host.h"

namespace wrenpost {

// Where the program runs from and what it is.
struct HostIdentity {
  std::string folder;     // full path of the executable's folder
  std::string file_name;  // the executable's current name, without extension
  VersionTriple version;
  char separator = '\\';  // the folder separator of `folder`
  bool folder_known = false;  // false when the executable's path held no folder
};

HostIdentity QueryHostIdentity(Process& process);

// The folder, the separator and "Wrenpost.log": renaming the executable does
// not rename its log. Empty when the folder is not known.
std::string LogPath(const HostIdentity& identity);

class RunLog {
 public:
  // An empty path: a log that writes nothing.
  RunLog(FileSystem& files, std::string path) : files_(&files), path_(std::move(path)) {}

  // Appends `text` followed by CR LF as one entry. An entry that cannot be
  // written is lost silently; the run goes on.
  void WriteLogLine(std::string_view text) const noexcept;
  // The same for an entry made of a fixed lead-in and a text.
  void WriteLogLine(std::string_view lead_in, std::string_view text) const noexcept;

 private:
  FileSystem* files_;
  std::string path_;
};

// The name queries' answer: the buffer's text before its first NUL, empty on
// any failure. Never raise.
std::string UserNameText(NameQueries& names) noexcept;
std::string ComputerNameText(NameQueries& names) noexcept;

// "yyyy-m-dd, hh:mm:ss": 2014-3-05, 09:07:03.
std::string FormatHeaderTime(const LocalDateTime& time);

// The four header entries: CR LF, 55 hyphens, the program line and the
// date, user and computer line. Never raises.
void WriteRunHeader(const RunLog& log, const HostIdentity& identity, Clock& clock,
                    NameQueries& names) noexcept;

}  // namespace wrenpost
