#include "clients/simple_mapi_message.h"

#include <array>
#include <string_view>

#include "clients/windows_command_line.h"
#include "text/html_to_text.h"

namespace wrenpost {
namespace {

constexpr std::uint32_t kMapiFailure = 2;
constexpr std::uint32_t kMapiNotSupported = 26;
// The callers' runtime reports Simple MAPI's codes from this number on.
constexpr std::int32_t kMapiErrorBase = 32000;

constexpr std::array<std::string_view, 29> kCodeNames = {
    "SUCCESS_SUCCESS",
    "MAPI_E_USER_ABORT",
    "MAPI_E_FAILURE",
    "MAPI_E_LOGIN_FAILURE",
    "MAPI_E_DISK_FULL",
    "MAPI_E_INSUFFICIENT_MEMORY",
    "MAPI_E_ACCESS_DENIED",
    "",
    "MAPI_E_TOO_MANY_SESSIONS",
    "MAPI_E_TOO_MANY_FILES",
    "MAPI_E_TOO_MANY_RECIPIENTS",
    "MAPI_E_ATTACHMENT_NOT_FOUND",
    "MAPI_E_ATTACHMENT_OPEN_FAILURE",
    "MAPI_E_ATTACHMENT_WRITE_FAILURE",
    "MAPI_E_UNKNOWN_RECIPIENT",
    "MAPI_E_BAD_RECIPTYPE",
    "MAPI_E_NO_MESSAGES",
    "MAPI_E_INVALID_MESSAGE",
    "MAPI_E_TEXT_TOO_LARGE",
    "MAPI_E_INVALID_SESSION",
    "MAPI_E_TYPE_NOT_SUPPORTED",
    "MAPI_E_AMBIGUOUS_RECIPIENT",
    "MAPI_E_MESSAGE_IN_USE",
    "MAPI_E_NETWORK_FAILURE",
    "MAPI_E_INVALID_EDITFIELDS",
    "MAPI_E_INVALID_RECIPS",
    "MAPI_E_NOT_SUPPORTED",
    "MAPI_E_UNICODE_NOT_SUPPORTED",
    "MAPI_E_ATTACHMENT_TOO_LARGE",
};

bool IsBlankOnly(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

MapiRecipient Recipient(std::uint32_t recipient_class, const std::string& value) {
  if (value.find('@') == std::string::npos) return {recipient_class, value, {}};
  // "Jan Nowak <jan@firma.pl>": the name before the brackets, the address inside.
  const auto open = value.rfind('<');
  const auto close = value.rfind('>');
  if (open != std::string::npos && close != std::string::npos && open < close) {
    const std::string address(Trimmed(std::string_view(value).substr(open + 1, close - open - 1)));
    const std::string_view name = Trimmed(std::string_view(value).substr(0, open));
    return {recipient_class, name.empty() ? address : std::string(name), "SMTP:" + address};
  }
  return {recipient_class, value, "SMTP:" + std::string(Trimmed(value))};
}

// Every line end (LF, CR or CR LF) as CR LF.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

MapiMessage SimpleMapiMessage(const MessageDraft& draft) {
  MapiMessage message;
  message.subject = draft.subject;
  message.note_text = WithCrLf(draft.html ? HtmlToText(draft.body) : draft.body);
  const auto add_all = [&](const std::vector<std::string>& values, std::uint32_t recipient_class) {
    for (const std::string& value : values) {
      if (!IsBlankOnly(value)) message.recipients.push_back(Recipient(recipient_class, value));
    }
  };
  add_all(draft.to, kMapiTo);
  add_all(draft.cc, kMapiCc);
  add_all(draft.bcc, kMapiBcc);
  for (const std::string& path : draft.attachments) {
    message.attachments.push_back({path, std::string(FileNamePart(path))});
  }
  if (!IsBlankOnly(draft.from)) message.originator.push_back(Recipient(kMapiOrig, draft.from));
  return message;
}

MapiAnswer ReadMapiAnswer(std::uint32_t code, std::uint32_t flags) {
  if (code == 0) return MapiAnswer::kShown;
  if (code == kMapiUserAbort) return MapiAnswer::kClosedByUser;
  const bool modeless = (flags & kMapiDialogModeless) == kMapiDialogModeless;
  if (modeless && (code == kMapiNotSupported || code == kMapiFailure)) return MapiAnswer::kModelessRefused;
  return MapiAnswer::kFailed;
}

RunError MapiFailure(std::uint32_t code, std::string_view entry) {
  std::string description =
      "Program pocztowy nie otworzył wiadomości: " + std::string(entry) + " zwróciła kod " + std::to_string(code);
  if (code < kCodeNames.size() && !kCodeNames[code].empty()) {
    description += " (" + std::string(kCodeNames[code]) + ")";
  }
  const std::int32_t number =
      code < 1000 ? kMapiErrorBase + static_cast<std::int32_t>(code) : static_cast<std::int32_t>(code);
  return RunError(number, description + ".");
}

}  // namespace wrenpost
