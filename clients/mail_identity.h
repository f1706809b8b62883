// The sending identities a mail client keeps in its own files, and the one a
// -from value (a name or an address) picks among them. Pure code; each
// client's file format has a small reader of its own (thunderbird_profile,
// claws_accounts, evolution_sources, kmail_identities).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "clients/linux_client_choice.h"

namespace wrenpost {

struct MailIdentity {
  std::string key;      // the client's own handle: Thunderbird's "id2", Claws Mail's account number, ...
  std::string label;    // the account's or identity's own name, as the client lists it; may be empty
  std::string name;     // the sender's full name; may be empty
  std::string address;  // never empty: an identity without one cannot send
};

// How the client is told which identity sends.
enum class IdentityPick {
  kExactly,          // by its key or its unique name: the one matched is the one used
  kFirstOfAddress,   // by address, the first identity in the file's order that has it (Claws Mail)
  kOnlyOfAddress,    // by address, in an order of the client's own (Evolution)
};

struct SenderMatch {
  const MailIdentity* identity = nullptr;  // null: the client keeps its default
  std::string why_not;                     // Polish, for the log, when null
};

// The identity whose label or full name is `from`, else the first whose
// address is (ASCII letters in any case); then whether `pick` lets the client
// be told that very identity. `client` names the client in the reasons.
SenderMatch MatchSender(const std::vector<MailIdentity>& identities, std::string_view from, IdentityPick pick,
                        std::string_view client);

// "Name <address>", the name quoted (its '"' and '\' escaped) when it holds
// anything but letters, digits, blanks and the atom characters; the bare
// address when there is no name.
std::string MailboxText(const std::string& name, const std::string& address);

// The value of a GKeyFile or KConfig entry with its escapes (\s \n \t \r \\) undone.
std::string UnescapedValue(std::string_view value);

// Where a client's own files live: its home (~, a snap's
// ~/snap/NAME/current; a flatpak sees the real home) and its XDG config
// folder (`config_home`, the snap's ~/snap/NAME/current/.config, the
// flatpak's ~/.var/app/ID/config).
std::string ClientHome(const std::string& home, Packaging packaging, const std::string& sandbox);
std::string ClientConfigHome(const std::string& home, const std::string& config_home, Packaging packaging,
                             const std::string& sandbox);

}  // namespace wrenpost
