#include "launcher/draft_target.h"

namespace wrenpost {

std::string SenderNotChosenEntry(const std::string& from, const std::string& why) {
  return "Nadawca nie został wybrany: " + from + " (" + why + ")";
}

void DraftTarget::SetSender(const std::string& from, const RunLog& log) {
  const SenderChoice choice = client_->ChooseSender(from);
  switch (choice.kind) {
    case SenderChoice::Kind::kAccount:
      log.WriteLogLine(kSenderAccountEntry, from);
      break;
    case SenderChoice::Kind::kOnBehalf:
      log.WriteLogLine(kSenderOnBehalfEntry, from);
      break;
    case SenderChoice::Kind::kPassed:
      log.WriteLogLine(kSenderPassedEntry, from);
      break;
    case SenderChoice::Kind::kNotChosen:
      log.WriteLogLine(SenderNotChosenEntry(from, choice.reason));
      return;
  }
  draft_.from = choice.address;
  draft_.sender_identity = choice.identity;
}

void DraftTarget::Finish() {
  client_->Open(draft_);
  if (const std::string note = client_->OpenNote(); !note.empty()) log_.WriteLogLine(note);
}

void DraftTarget::SetBody(std::string body, bool html) {
  draft_.body = std::move(body);
  draft_.html = html;
}

void DraftTarget::AddRecipient(const std::string& address, RecipientKind kind) {
  auto& list = kind == RecipientKind::kCc ? draft_.cc : kind == RecipientKind::kBcc ? draft_.bcc : draft_.to;
  list.push_back(address);
}

}  // namespace wrenpost
