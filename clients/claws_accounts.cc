#include "clients/claws_accounts.h"

#include "clients/key_file.h"

namespace wrenpost {

std::vector<MailIdentity> ClawsAccounts(std::string_view accountrc) {
  constexpr std::string_view kLead = "Account: ";
  std::vector<MailIdentity> accounts;
  for (const KeyFileGroup& group : ParseKeyFile(accountrc)) {
    if (group.name.rfind(kLead, 0) != 0) continue;
    const auto value = [&](std::string_view key) {
      const std::string* found = group.Find(key);
      return found ? *found : std::string();
    };
    MailIdentity account{group.name.substr(kLead.size()), value("account_name"), value("name"), value("address")};
    if (!account.address.empty()) accounts.push_back(std::move(account));
  }
  return accounts;
}

}  // namespace wrenpost
