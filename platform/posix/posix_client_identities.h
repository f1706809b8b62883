// The sending identities a Linux mail client keeps in its own files, read
// for the user it runs as (a snap's or flatpak's own folders included).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "clients/client_start.h"
#include "clients/linux_client_choice.h"
#include "clients/mail_identity.h"
#include "clients/mime_apps.h"
#include "platform/mail_clients.h"

namespace wrenpost {

// The identities of `client` (Thunderbird's default profile, Claws Mail's
// accountrc, Evolution's sources, KMail's emailidentities); none when its
// files are missing or unreadable, or for a client that has none (Geary).
std::vector<MailIdentity> ClientIdentities(const ClientTraits& client, const ClientLaunch& launch,
                                           const std::string& home, const XdgFolders& folders);

// The client's own identity that `from` names (by its name or address),
// told to the client the way it takes it: Thunderbird by the identity's key,
// KMail by its unique name, Claws Mail by "Name <address>" and Evolution by
// address. Not chosen, with the reason, where no identity matches, where the
// client would take another identity of that address, or where the client
// cannot be told (Geary).
SenderChoice ChooseClientSender(const ClientTraits& client, const ClientLaunch& launch, const std::string& home,
                                const XdgFolders& folders, const std::string& from);

// Thunderbird and Betterbird: the default profile's folder when it is found
// and holds no mail account (nothing to compose from); nullopt otherwise.
std::optional<std::string> ProfileWithoutAccount(const ClientTraits& client, const ClientLaunch& launch,
                                                 const std::string& home);

}  // namespace wrenpost
