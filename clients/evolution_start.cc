// Evolution: one mailto: URL. Its reader turns every key it does not know into
// a header of the message, so the URL holds only cc, bcc, from, subject, body
// and attach; an attachment goes as a file URL, which it reads back into the
// path. `from` picks the identity of that address.
#include "clients/client_start.h"
#include "clients/mailto_url.h"
#include "clients/thunderbird_compose.h"

namespace wrenpost {

std::vector<std::string> EvolutionArguments(const MessageDraft& draft, const std::string& body) {
  std::vector<MailtoField> fields = MessageFields(draft.cc, draft.bcc, draft.subject, body);
  if (!draft.from.empty()) fields.push_back({"from", draft.from});
  for (const std::string& path : draft.attachments) fields.push_back({"attach", FileUrl(path)});
  return {BuildMailtoUrl(draft.to, fields)};
}

}  // namespace wrenpost
