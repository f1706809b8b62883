// The sending identities of Thunderbird's (and Betterbird's) default
// profile, read from profiles.ini, installs.ini and the profile's prefs.js,
// and the one a -from value names. Pure code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/linux_client_choice.h"

namespace wrenpost {

struct MailIdentity {
  std::string name;     // mail.identity.idN.fullName
  std::string address;  // mail.identity.idN.useremail
};

// The folder that holds profiles.ini: ~/.thunderbird, or the sandbox's own
// copy of it (~/snap/NAME/common/.thunderbird, ~/.var/app/ID/.thunderbird).
std::string ProfilesRoot(const std::string& home, Packaging packaging, const std::string& sandbox);

// The default profile's folder: the Default= of the first install section
// (profiles.ini's [Install...] groups, then installs.ini's), else the
// profile marked Default=1, else the only profile. Relative paths are taken
// from `root`. nullopt when there is no profile.
std::optional<std::string> DefaultProfileFolder(std::string_view profiles_ini, std::string_view installs_ini,
                                                const std::string& root);

// The identities of a prefs.js: those of the accounts that
// mail.accountmanager.accounts lists, in its order; all that have an address
// when it lists none.
std::vector<MailIdentity> IdentitiesOf(std::string_view prefs_js);

// The identity whose name is `from`, else the first whose address is (ASCII
// letters in any case); null when none.
const MailIdentity* MatchIdentity(const std::vector<MailIdentity>& identities, std::string_view from);

}  // namespace wrenpost
