// The mail clients a caller can name with -client.
#pragma once

#include <optional>
#include <string_view>

namespace wrenpost {

enum class ClientName {
  kDefault,  // no -client: the system's usual choice
  kOutlook,  // the classic Outlook, through automation
  kAuto,     // Outlook when its automation is there, else the user's default client
  kMapi,     // the default client's Simple MAPI (Windows)
  kThunderbird,
  kBetterbird,
  kEvolution,
  kKmail,
  kClawsMail,
  kGeary,
};

// The name a -client value gives: ASCII letters in any case; the empty value
// is kDefault. nullopt for a name that is none of them.
std::optional<ClientName> ParseClientName(std::string_view value);

// The name as the option writes it ("claws-mail").
std::string_view ClientNameText(ClientName name);

// Every name -client takes, separated by ", ", for a description.
std::string_view KnownClientNames();

}  // namespace wrenpost
