// The user's default mail client on Windows, for runs that do not go to
// Outlook's automation.
#pragma once

#include "platform/mail_clients.h"

namespace wrenpost {

class WindowsMailClients final : public MailClients {
 public:
  // Outlook through automation, unless the caller asks for another client.
  ClientName DefaultChoice() const override { return ClientName::kOutlook; }
  std::unique_ptr<DraftClient> Find(ClientName name) override;
};

}  // namespace wrenpost
