#include "clients/thunderbird_compose.h"

#include "clients/mail_address.h"
#include "text/wtf8.h"

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

// Thunderbird rejects a value whose bytes decode to no UTF-8, and a lone
// surrogate of a Windows command line (WTF-8) is such: it goes as U+FFFD.
// Attachment paths stay as they are, to name the file.
ComposeFields WellFormed(ComposeFields fields) {
  for (std::vector<std::string>* list : {&fields.recipients, &fields.cc_recipients, &fields.bcc_recipients}) {
    for (std::string& value : *list) value = Wtf8ToUtf8(value);
  }
  for (std::optional<std::string>* value : {&fields.subject, &fields.from, &fields.message_path}) {
    if (*value) **value = Wtf8ToUtf8(**value);
  }
  return fields;
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
  // A Windows path (C:\f.pdf, \\server\share\f.pdf) goes as Thunderbird's own
  // file URLs have it on Windows: slashes for backslashes, the drive's colon
  // kept, after "file:///" (file:///C:/f.pdf, file://///server/share/f.pdf).
  const bool drive = absolute_path.size() >= 2 && absolute_path[1] == ':' &&
                     ((absolute_path[0] >= 'A' && absolute_path[0] <= 'Z') ||
                      (absolute_path[0] >= 'a' && absolute_path[0] <= 'z'));
  const bool windows = drive || absolute_path.starts_with("\\\\");
  std::string url = windows ? "file:///" : "file://";
  for (std::size_t i = 0; i < absolute_path.size(); ++i) {
    const char ch = windows && absolute_path[i] == '\\' ? '/' : absolute_path[i];
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c) || c == '/' || (drive && i == 1)) {
      url += ch;
    } else {
      AppendEncoded(url, c);
    }
  }
  return url;
}

std::string BuildComposeString(const ComposeFields& fields) {
  std::string text = "to=" + PercentEncode(AddressList(fields.recipients));
  if (!fields.cc_recipients.empty()) text += ",cc=" + PercentEncode(AddressList(fields.cc_recipients));
  if (!fields.bcc_recipients.empty()) text += ",bcc=" + PercentEncode(AddressList(fields.bcc_recipients));
  if (fields.from) text += ",from=" + PercentEncode(*fields.from);
  if (fields.preselect_id) text += ",preselectid=" + PercentEncode(*fields.preselect_id);
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

std::vector<std::string> ComposeArguments(const ComposeFields& fields) {
  return {"-compose", BuildComposeString(WellFormed(fields))};
}

}  // namespace wrenpost
