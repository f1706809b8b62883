#include "clients/kmail_identities.h"

#include "clients/key_file.h"

namespace wrenpost {

std::vector<MailIdentity> KmailIdentities(std::string_view emailidentities) {
  std::vector<MailIdentity> identities;
  for (const KeyFileGroup& group : ParseKeyFile(emailidentities)) {
    if (group.name.rfind("Identity #", 0) != 0) continue;
    const auto value = [&](std::string_view key) {
      const std::string* found = group.Find(key);
      return found ? UnescapedValue(*found) : std::string();
    };
    MailIdentity identity{value("uoid"), value("Identity"), value("Name"), value("Email Address")};
    if (!identity.address.empty() && !identity.label.empty()) identities.push_back(std::move(identity));
  }
  return identities;
}

}  // namespace wrenpost
