// The sending identities of Thunderbird's (and Betterbird's) default
// profile, read from profiles.ini, installs.ini and the profile's prefs.js,
// and the one a -from value names. Pure code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/linux_client_choice.h"
#include "clients/mail_identity.h"

namespace wrenpost {

// The folder that holds profiles.ini: ~/.thunderbird, or the sandbox's own
// copy of it (~/snap/NAME/common/.thunderbird, ~/.var/app/ID/.thunderbird).
std::string ProfilesRoot(const std::string& home, Packaging packaging, const std::string& sandbox);

// How profiles.ini's paths are written: Windows' relative ones with "/"
// ("Profiles/x.default"), its absolute ones as "C:\..." or "\\server\...".
enum class PathStyle { kPosix, kWindows };

// The default profile's folder: the Default= of the first install section
// (profiles.ini's [Install...] groups, then installs.ini's), else the
// profile marked Default=1, else the only profile. Relative paths are taken
// from `root`; kWindows gives the folder with "\" throughout. nullopt when
// there is no profile.
std::optional<std::string> DefaultProfileFolder(std::string_view profiles_ini, std::string_view installs_ini,
                                                const std::string& root, PathStyle style = PathStyle::kPosix);

// The identities of a prefs.js that have an address: those of the accounts
// that mail.accountmanager.accounts lists, in its order; all when it lists
// none. The key is the identity's own ("id2", what "preselectid=" takes), the
// label its mail.identity.idN.label, the name its fullName.
std::vector<MailIdentity> IdentitiesOf(std::string_view prefs_js);

// Whether a listed account has an identity: without one (a new profile, only
// Local Folders or feeds) Thunderbird opens no compose window for -compose.
bool HasMailAccount(std::string_view prefs_js);

}  // namespace wrenpost
