#include "platform/posix/posix_client_identities.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "clients/claws_accounts.h"
#include "clients/evolution_sources.h"
#include "clients/kmail_identities.h"
#include "clients/thunderbird_profile.h"

namespace wrenpost {
namespace {

std::optional<std::string> ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<std::string> DefaultProfile(const ClientLaunch& launch, const std::string& home) {
  const std::string root = ProfilesRoot(home, launch.packaging, launch.sandbox);
  const auto profiles = ReadText(root + "/profiles.ini");
  if (!profiles) return std::nullopt;
  return DefaultProfileFolder(*profiles, ReadText(root + "/installs.ini").value_or(""), root);
}

// The profile's preferences as Thunderbird reads them: user.js after
// prefs.js, its values winning.
std::string ProfilePrefs(const std::string& profile) {
  return ReadText(profile + "/prefs.js").value_or("") + "\n" + ReadText(profile + "/user.js").value_or("");
}

// Evolution's identities, one source file each, in the files' name order.
std::vector<MailIdentity> EvolutionIdentities(const std::string& folder) {
  std::vector<std::string> names;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return {};
  constexpr std::string_view kSuffix = ".source";
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name.size() > kSuffix.size() && name.ends_with(kSuffix)) names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  std::vector<MailIdentity> identities;
  for (const std::string& name : names) {
    const auto text = ReadText(folder + "/" + name);
    if (!text) continue;
    if (auto identity = EvolutionIdentity(*text, name.substr(0, name.size() - kSuffix.size()))) {
      identities.push_back(std::move(*identity));
    }
  }
  return identities;
}

IdentityPick PickOf(ClientName client) {
  switch (client) {
    case ClientName::kClawsMail: return IdentityPick::kFirstOfAddress;
    case ClientName::kEvolution: return IdentityPick::kOnlyOfAddress;
    default: return IdentityPick::kExactly;
  }
}

}  // namespace

SenderChoice ChooseClientSender(const ClientTraits& client, const ClientLaunch& launch, const std::string& home,
                                const XdgFolders& folders, const std::string& from) {
  const std::string program(client.shown_name);
  if (client.sender == SenderSupport::kNone) {
    return {SenderChoice::Kind::kNotChosen, {}, "programowi " + program + " nie można wskazać nadawcy"};
  }
  const std::vector<MailIdentity> identities = ClientIdentities(client, launch, home, folders);
  const SenderMatch match = MatchSender(identities, from, PickOf(client.name), program);
  if (!match.identity) return {SenderChoice::Kind::kNotChosen, {}, match.why_not};
  const MailIdentity& identity = *match.identity;
  switch (client.name) {
    case ClientName::kThunderbird:
    case ClientName::kBetterbird: return {SenderChoice::Kind::kAccount, {}, {}, identity.key};
    // Claws Mail takes its from= value as the whole From text.
    case ClientName::kClawsMail: return {SenderChoice::Kind::kAccount, MailboxText(identity.name, identity.address), {}};
    case ClientName::kKmail: return {SenderChoice::Kind::kAccount, identity.label, {}};
    default: return {SenderChoice::Kind::kAccount, identity.address, {}};
  }
}

std::vector<MailIdentity> ClientIdentities(const ClientTraits& client, const ClientLaunch& launch,
                                           const std::string& home, const XdgFolders& folders) {
  const std::string config =
      ClientConfigHome(home, folders.config_home, launch.packaging, launch.sandbox);
  switch (client.name) {
    case ClientName::kThunderbird:
    case ClientName::kBetterbird: {
      const auto profile = DefaultProfile(launch, home);
      if (!profile) return {};
      return IdentitiesOf(ProfilePrefs(*profile));
    }
    case ClientName::kClawsMail:
      return ClawsAccounts(
          ReadText(ClientHome(home, launch.packaging, launch.sandbox) + "/.claws-mail/accountrc").value_or(""));
    case ClientName::kEvolution:
      return EvolutionIdentities(config + "/evolution/sources");
    case ClientName::kKmail:
      return KmailIdentities(ReadText(config + "/emailidentities").value_or(""));
    default:
      return {};
  }
}

std::optional<std::string> ProfileWithoutAccount(const ClientTraits& client, const ClientLaunch& launch,
                                                 const std::string& home) {
  if (client.name != ClientName::kThunderbird && client.name != ClientName::kBetterbird) return std::nullopt;
  const auto profile = DefaultProfile(launch, home);
  if (!profile) return std::nullopt;
  // A file that is there but cannot be read is no proof of a missing account.
  for (const char* name : {"/prefs.js", "/user.js"}) {
    const std::string path = *profile + name;
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), R_OK) != 0) return std::nullopt;
  }
  return HasMailAccount(ProfilePrefs(*profile)) ? std::nullopt : profile;
}

}  // namespace wrenpost
