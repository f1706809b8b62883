// KMail's identities, from the KConfig file "emailidentities" in the config
// folder: "[Identity #N]" groups with Identity (its unique name), Name,
// "Email Address" and uoid. Pure code.
#pragma once

#include <string_view>
#include <vector>

#include "clients/mail_identity.h"

namespace wrenpost {

// The identities that have an address, in the file's order; the label is
// the identity's name, which is what "kmail --identity" takes.
std::vector<MailIdentity> KmailIdentities(std::string_view emailidentities);

}  // namespace wrenpost
