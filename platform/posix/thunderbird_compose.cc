#include "platform/posix/thunderbird_compose.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/posix/posix_error.h"
#include "platform/posix/posix_file_system.h"

namespace wrenpost {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == '~';
}

void AppendEncoded(std::string& out, unsigned char c) {
  out += '%';
  out += kHexDigits[c >> 4];
  out += kHexDigits[c & 0x0F];
}

std::string JoinWithCommas(const std::vector<std::string>& parts) {
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += ',';
    joined += parts[i];
  }
  return joined;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::string PercentEncode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c)) {
      out += ch;
    } else {
      AppendEncoded(out, c);
    }
  }
  return out;
}

std::string FileUrl(std::string_view absolute_path) {
  std::string url = "file://";
  for (const char ch : absolute_path) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c) || c == '/') {
      url += ch;
    } else {
      AppendEncoded(url, c);
    }
  }
  return url;
}

std::string BuildComposeString(const ComposeFields& fields) {
  std::string text = "to=" + PercentEncode(JoinWithCommas(fields.recipients));
  if (fields.subject) text += ",subject=" + PercentEncode(*fields.subject);
  if (fields.message_path) {
    text += fields.format == BodyFormat::kHtml ? ",format=html" : ",format=text";
    text += ",message=" + PercentEncode(*fields.message_path);
  }
  if (!fields.attachment_paths.empty()) {
    std::vector<std::string> urls;
    for (const std::string& path : fields.attachment_paths) urls.push_back(FileUrl(path));
    text += ",attachment=" + PercentEncode(JoinWithCommas(urls));
  }
  return text;
}

std::vector<std::string> ComposeCommand(const ComposeFields& fields) {
  return {"thunderbird", "-compose", BuildComposeString(fields)};
}

std::string AbsolutePath(std::string_view path, std::string_view working_folder) {
  if (!path.empty() && path.front() == '/') return std::string(path);
  std::string absolute(working_folder);
  if (absolute.empty() || absolute.back() != '/') absolute += '/';
  absolute += path;
  return absolute;
}

std::string ResolveAttachmentPath(std::string_view path, std::string_view working_folder) {
  const std::string absolute = AbsolutePath(path, working_folder);
  const auto slash = absolute.rfind('/');
  const std::string_view name = std::string_view(absolute).substr(slash + 1);
  if (name.find_first_of("*?") == std::string_view::npos) return absolute;

  const std::string folder = slash == 0 ? "/" : absolute.substr(0, slash);
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) ThrowSystemError(errno, std::string(path));
  while (const dirent* entry = ::readdir(dir.get())) {
    if (entry->d_name[0] == '.' || !MatchesWildcard(entry->d_name, name)) continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode)) {
      return absolute.substr(0, slash + 1) + entry->d_name;
    }
  }
  ThrowSystemError(ENOENT, std::string(path));
}

}  // namespace wrenpost
