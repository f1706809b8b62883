// The sending identities of Thunderbird and Betterbird on Windows, read from
// the user's default profile: both keep their profiles under
// %APPDATA%\Thunderbird.
#pragma once

#include <optional>
#include <string>

#include "platform/mail_clients.h"

namespace wrenpost {

// The identity of the default profile that `from` names (by its name or
// address), told by its key (preselectid=); not chosen, with the reason
// naming `client`, when none matches or no profile is found.
SenderChoice ChooseThunderbirdSender(const std::string& client, const std::string& from);

// The default profile's folder when it is found and holds no mail account
// (nothing to compose from); nullopt otherwise.
std::optional<std::string> ThunderbirdProfileWithoutAccount();

}  // namespace wrenpost
