#include "clients/client_start.h"

#include <array>

#include "platform/run_error.h"
#include "text/html_to_text.h"

namespace wrenpost {
namespace {

constexpr std::array<ClientTraits, 2> kClients = {{
    {ClientName::kThunderbird, "Thunderbird", "thunderbird", true, SenderSupport::kIdentities},
    {ClientName::kBetterbird, "Betterbird", "betterbird", true, SenderSupport::kIdentities},
}};

}  // namespace

const ClientTraits* TraitsOf(ClientName name) {
  for (const ClientTraits& client : kClients) {
    if (client.name == name) return &client;
  }
  return nullptr;
}

std::string BodyForClient(const ClientTraits& client, const MessageDraft& draft) {
  return draft.html && !client.html_compose ? HtmlToText(draft.body) : draft.body;
}

bool NeedsBodyFile(const ClientTraits& client, const MessageDraft& draft) {
  if (draft.body.empty()) return false;
  switch (client.name) {
    case ClientName::kThunderbird:
    case ClientName::kBetterbird:
      return true;
    default:
      return false;
  }
}

std::vector<std::string> StartArguments(const ClientTraits& client, const MessageDraft& draft,
                                        const std::optional<std::string>& body_file) {
  switch (client.name) {
    case ClientName::kThunderbird:
    case ClientName::kBetterbird:
      return ThunderbirdArguments(draft, body_file);
    default:
      throw RunError(errors::kInvalidCall, "Nie można uruchomić programu " + std::string(client.shown_name) + ".");
  }
}

}  // namespace wrenpost
