// The message collected for a mail client that takes it whole: the window
// opens when the sequence is done.
#pragma once

#include <memory>

#include "clients/message_draft.h"
#include "launcher/compose_target.h"
#include "platform/mail_clients.h"

namespace wrenpost {

class DraftTarget final : public ComposeTarget {
 public:
  DraftTarget(std::unique_ptr<DraftClient> client, const RunLog& log) : client_(std::move(client)), log_(log) {}

  void SetSender(const std::string& from, const RunLog& log) override;
  void SetSubject(const std::string& subject) override { draft_.subject = subject; }
  void SetBody(std::string body, bool html) override;
  void AddAttachment(const std::string& full_path) override { draft_.attachments.push_back(full_path); }
  void Display() override {}
  // The client adds the account's signature itself when its window opens.
  void PutBodyAboveSignature(const std::string& body, bool html) override { SetBody(body, html); }
  void AddRecipient(const std::string& address, RecipientKind kind) override;
  void Finish() override;
  void Release() override {}  // a draft that was not finished opens nothing

 private:
  std::unique_ptr<DraftClient> client_;
  const RunLog& log_;
  MessageDraft draft_;
};

}  // namespace wrenpost
