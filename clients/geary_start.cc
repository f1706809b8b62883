// Geary: one mailto: URL (it takes no other argument), with cc, bcc, subject,
// body and attach; an attachment goes as a file URL. It cannot be told the
// sender. It keeps each attachment once, in an order of its own.
#include "clients/client_start.h"
#include "clients/mailto_url.h"
#include "clients/thunderbird_compose.h"

namespace wrenpost {

std::vector<std::string> GearyArguments(const MessageDraft& draft, const std::string& body) {
  std::vector<MailtoField> fields = MessageFields(draft.cc, draft.bcc, draft.subject, body);
  for (const std::string& path : draft.attachments) fields.push_back({"attach", FileUrl(path)});
  return {BuildMailtoUrl(draft.to, fields)};
}

}  // namespace wrenpost
