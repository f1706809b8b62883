// Thunderbird and Betterbird: "-compose" and one text of fields.
#include "clients/client_start.h"
#include "clients/thunderbird_compose.h"

namespace wrenpost {

std::vector<std::string> ThunderbirdArguments(const MessageDraft& draft, const std::optional<std::string>& body_file) {
  ComposeFields fields;
  fields.recipients = draft.to;
  fields.cc_recipients = draft.cc;
  fields.bcc_recipients = draft.bcc;
  if (!draft.subject.empty()) fields.subject = draft.subject;
  // The identity's key picks that very identity; a from= address would pick
  // the first of that address, and may contradict the key.
  if (!draft.sender_identity.empty()) {
    fields.preselect_id = draft.sender_identity;
  } else if (!draft.from.empty()) {
    fields.from = draft.from;
  }
  fields.format = draft.html ? BodyFormat::kHtml : BodyFormat::kText;
  fields.message_path = body_file;
  fields.attachment_paths = draft.attachments;
  return ComposeArguments(fields);
}

}  // namespace wrenpost
