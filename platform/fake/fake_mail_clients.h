// Mail clients for tests: which client each name finds, what it makes of a
// sender, and every draft it was asked to open.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mail_clients.h"
#include "errors/run_error.h"

namespace wrenpost {

class FakeMailClients final : public MailClients {
 public:
  struct Client {
    std::string description;
    SenderChoice sender{SenderChoice::Kind::kPassed, {}, {}};  // the address: `from` itself when it and the identity are empty
    std::optional<RunError> open_failure;                        // Open raises it
  };

  ClientName default_choice = ClientName::kOutlook;
  // The client each name finds (kAuto: the user's default one); any other name raises 429.
  std::map<ClientName, Client> clients;

  std::vector<ClientName> asked;      // every name Find was asked for
  std::vector<MessageDraft> opened;   // every draft a client opened

  ClientName DefaultChoice() const override { return default_choice; }
  std::unique_ptr<DraftClient> Find(ClientName name) override;
};

}  // namespace wrenpost
