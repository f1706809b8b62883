#include "runlog/run_log.h"

#include <cstdio>
#include <exception>

namespace wrenpost {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kLogFileName = "Wrenpost.log";

std::string TextBeforeNul(const std::string& buffer) {
  return buffer.substr(0, buffer.find('\0'));
}

template <typename Query>
std::string NameText(Query query) noexcept {
  try {
    return TextBeforeNul(query());
  } catch (...) {
    return {};
  }
}

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

}  // namespace

HostIdentity QueryHostIdentity(Process& process) {
  HostIdentity identity;
  identity.separator = process.FolderSeparator();
  identity.version = process.Version();
  const std::string path = process.ExecutablePath();
  const auto cut = path.rfind(identity.separator);
  identity.folder_known = cut != std::string::npos;
  identity.folder = identity.folder_known ? path.substr(0, cut) : std::string();
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  // Only a dot after the first character starts an extension (".hidden" has none).
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  identity.file_name = std::move(name);
  return identity;
}

std::string LogPath(const HostIdentity& identity) {
  // Without a folder the log would land in the root of the drive or of the
  // file system: that run goes without a log.
  if (!identity.folder_known) return {};
  std::string path = identity.folder;
  path += identity.separator;
  path += kLogFileName;
  return path;
}

void RunLog::WriteLogLine(std::string_view text) const noexcept {
  WriteLogLine({}, text);
}

void RunLog::WriteLogLine(std::string_view lead_in, std::string_view text) const noexcept {
  if (path_.empty()) return;
  try {
    std::string entry;
    entry.reserve(lead_in.size() + text.size() + kLineBreak.size());
    entry.append(lead_in).append(text).append(kLineBreak);
    files_->AppendText(path_, entry);
  } catch (...) {
    // The log never stops a run: this entry is lost, the next one tries again.
  }
}

std::string UserNameText(NameQueries& names) noexcept {
  return NameText([&] { return names.QueryUserName(); });
}

std::string ComputerNameText(NameQueries& names) noexcept {
  return NameText([&] { return names.QueryComputerName(); });
}

std::string FormatHeaderTime(const LocalDateTime& time) {
  return std::to_string(time.year) + "-" + std::to_string(time.month) + "-" +
         TwoDigits(time.day) + ", " + TwoDigits(time.hour) + ":" + TwoDigits(time.minute) +
         ":" + TwoDigits(time.second);
}

void WriteRunHeader(const RunLog& log, const HostIdentity& identity, Clock& clock,
                    NameQueries& names) noexcept {
  try {
    log.WriteLogLine(kLineBreak);
    log.WriteLogLine(std::string(55, '-'));
    const VersionTriple& v = identity.version;
    log.WriteLogLine(std::string(kLineBreak) + identity.folder + identity.separator +
                     identity.file_name + ".exe (" + std::to_string(v.major_part) + "." +
                     std::to_string(v.minor_part) + "." + std::to_string(v.revision) + ")");
    std::string when;
    try {
      when = FormatHeaderTime(clock.Now());
    } catch (...) {
      // A clock that cannot be read leaves the time out; the names still follow.
    }
    log.WriteLogLine(when + ", użytkownik = " + UserNameText(names) +
                     ", komputer = " + ComputerNameText(names));
  } catch (...) {
    // Out of memory while building an entry: the header is not worth a failed run.
  }
}

}  // namespace wrenpost
