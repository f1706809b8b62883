// The message as a new item of the mail client's automation server
// ("Outlook.Application"), filled call by call.
#pragma once

#include <memory>
#include <string>

#include "launcher/compose_target.h"
#include "platform/automation.h"

namespace wrenpost {

inline constexpr const char* kOutlookProgId = "Outlook.Application";

class OutlookTarget final : public ComposeTarget {
 public:
  // Holds the application object; the item comes with CreateItem.
  explicit OutlookTarget(std::unique_ptr<AutomationObject> client) : client_(std::move(client)) {}

  // `CreateItem(0)`, a new, empty mail message; or, given the full path of
  // an Outlook template (.oft), `CreateItemFromTemplate(path)`.
  void CreateItem(const std::string& template_path);

  void SetSender(const std::string& from, const RunLog& log) override;
  void SetSubject(const std::string& subject) override;
  void SetBody(std::string body, bool html) override;
  void AddAttachment(const std::string& full_path) override;
  void Display() override;
  void PutBodyAboveSignature(const std::string& body, bool html) override;
  void AddRecipient(const std::string& address, RecipientKind kind) override;
  // Lets go of the collections, the item, then the application.
  void Finish() override { Release(); }
  void Release() override;

 private:
  using Handle = std::unique_ptr<AutomationObject>;
  AutomationObject& Collection(Handle& collection, const char* member);

  Handle client_;       // the mail client's application object
  Handle item_;         // the new message
  Handle attachments_;  // its `Attachments`, fetched once for all files
  Handle recipients_;   // its `Recipients`, fetched once for all addresses
};

}  // namespace wrenpost
