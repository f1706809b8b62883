// The user's default mail client on Windows, for runs that do not go to
// Outlook's automation: Thunderbird through its command line, any other
// client through Simple MAPI, or a mailto: link (windows_mail_route.h chooses).
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
