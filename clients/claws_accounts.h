// Claws Mail's accounts, from ~/.claws-mail/accountrc: "[Account: N]" groups
// with account_name, name and address. Pure code.
#pragma once

#include <string_view>
#include <vector>

#include "clients/mail_identity.h"

namespace wrenpost {

// The accounts that have an address, in the file's order (the order Claws
// Mail looks an address up in). The key is the account's number.
std::vector<MailIdentity> ClawsAccounts(std::string_view accountrc);

}  // namespace wrenpost
