#include "platform/posix/thunderbird_compose.h"

#include <cerrno>
#include <optional>

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
  if (!fields.cc_recipients.empty()) text += ",cc=" + PercentEncode(JoinWithCommas(fields.cc_recipients));
  if (!fields.bcc_recipients.empty()) text += ",bcc=" + PercentEncode(JoinWithCommas(fields.bcc_recipients));
  if (fields.from) text += ",from=" + PercentEncode(*fields.from);
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
  // What is attached is what the lookup found, wildcards resolved the same way.
  std::optional<std::string> found = FindNormalFile(AbsolutePath(path, working_folder));
  if (!found) ThrowSystemError(ENOENT, std::string(path));
  return std::move(*found);
}

}  // namespace wrenpost
