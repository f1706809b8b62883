// The desktop's mail clients on POSIX systems.
#pragma once

#include "platform/mail_clients.h"

namespace wrenpost {

class PosixMailClients final : public MailClients {
 public:
  ClientName DefaultChoice() const override { return ClientName::kAuto; }
  std::unique_ptr<DraftClient> Find(ClientName name) override;
};

}  // namespace wrenpost
