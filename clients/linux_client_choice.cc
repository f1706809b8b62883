#include "clients/linux_client_choice.h"

#include <algorithm>
#include <array>

namespace wrenpost {
namespace {

struct KnownClient {
  ClientName name;
  std::string_view program;                     // the executable's and the snap's name
  std::array<std::string_view, 2> flatpak_ids;  // Flathub's application IDs
  std::array<std::string_view, 2> desktop_ids;  // the distribution's desktop files
};

constexpr std::array<KnownClient, 6> kKnownClients = {{
    {ClientName::kThunderbird, "thunderbird", {"org.mozilla.Thunderbird", "net.thunderbird.Thunderbird"},
     {"thunderbird.desktop", "mozilla-thunderbird.desktop"}},
    {ClientName::kBetterbird, "betterbird", {"eu.betterbird.Betterbird", ""}, {"betterbird.desktop", ""}},
    {ClientName::kEvolution, "evolution", {"org.gnome.Evolution", ""}, {"org.gnome.Evolution.desktop", ""}},
    {ClientName::kKmail, "kmail", {"org.kde.kmail2", ""}, {"org.kde.kmail2.desktop", "kmail.desktop"}},
    {ClientName::kClawsMail, "claws-mail", {"org.claws_mail.Claws-Mail", ""}, {"claws-mail.desktop", ""}},
    {ClientName::kGeary, "geary", {"org.gnome.Geary", ""}, {"org.gnome.Geary.desktop", "geary.desktop"}},
}};

template <typename Match>
const KnownClient* FindClient(Match&& match) {
  for (const KnownClient& client : kKnownClients) {
    if (match(client)) return &client;
  }
  return nullptr;
}

bool Contains(const std::array<std::string_view, 2>& names, std::string_view name) {
  return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

std::string_view BaseName(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A snap's launcher: /snap/bin/NAME or /snap/bin/NAME.APP (any folder that
// ends in /snap/bin, so that a stand-in can play one).
std::optional<std::string_view> SnapName(std::string_view program) {
  const auto slash = program.rfind('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view folder = program.substr(0, slash);
  constexpr std::string_view kSnapBin = "/snap/bin";
  if (folder.size() < kSnapBin.size() || folder.substr(folder.size() - kSnapBin.size()) != kSnapBin) {
    return std::nullopt;
  }
  const std::string_view name = program.substr(slash + 1);
  return name.substr(0, name.find('.'));
}

ClientLaunch Launch(const KnownClient& client, Packaging packaging, std::vector<std::string> command,
                    std::string_view sandbox) {
  return {client.name, packaging, std::move(command), std::string(sandbox)};
}

}  // namespace

std::optional<ClientLaunch> ClientOfDesktopFile(std::string_view desktop_id, std::vector<std::string> exec_words) {
  // "env NAME=VALUE ... PROGRAM": the program is the first word after the settings.
  std::size_t program = 0;
  if (!exec_words.empty() && BaseName(exec_words.front()) == "env") {
    for (program = 1; program < exec_words.size() && exec_words[program].find('=') != std::string::npos;) ++program;
  }
  if (program >= exec_words.size()) return std::nullopt;
  const std::string& executable = exec_words[program];

  if (BaseName(executable) == "flatpak" && program + 1 < exec_words.size() && exec_words[program + 1] == "run") {
    std::vector<std::string> command(exec_words.begin(), exec_words.begin() + static_cast<long>(program) + 2);
    std::string app_id;
    for (std::size_t i = program + 2; i < exec_words.size(); ++i) {
      const std::string& word = exec_words[i];
      if (word == "--file-forwarding" || word == "@@" || word == "@@u") continue;
      if (app_id.empty() && !word.empty() && word.front() != '-') app_id = word;
      command.push_back(word);
    }
    const KnownClient* client = FindClient([&](const KnownClient& c) { return Contains(c.flatpak_ids, app_id); });
    if (client == nullptr) return std::nullopt;
    return Launch(*client, Packaging::kFlatpak, std::move(command), app_id);
  }
  if (const auto snap = SnapName(executable)) {
    const KnownClient* client = FindClient([&](const KnownClient& c) { return c.program == *snap; });
    if (client == nullptr) return std::nullopt;
    return Launch(*client, Packaging::kSnap, std::move(exec_words), *snap);
  }
  const KnownClient* client = FindClient([&](const KnownClient& c) {
    return c.program == BaseName(executable) || Contains(c.desktop_ids, desktop_id);
  });
  if (client == nullptr) return std::nullopt;
  return Launch(*client, Packaging::kPlain, std::move(exec_words), "");
}

std::optional<ClientLaunch> ClientOfProgram(const std::string& path) {
  if (const auto snap = SnapName(path)) {
    const KnownClient* client = FindClient([&](const KnownClient& c) { return c.program == *snap; });
    if (client != nullptr) return Launch(*client, Packaging::kSnap, {path}, *snap);
    return std::nullopt;
  }
  const KnownClient* client = FindClient([&](const KnownClient& c) { return c.program == BaseName(path); });
  if (client == nullptr) return std::nullopt;
  return Launch(*client, Packaging::kPlain, {path}, "");
}

std::vector<std::string> DesktopIdsOf(ClientName name) {
  const KnownClient* client = FindClient([&](const KnownClient& c) { return c.name == name; });
  if (client == nullptr) return {};
  std::vector<std::string> ids;
  for (const std::string_view id : client->desktop_ids) {
    if (!id.empty()) ids.emplace_back(id);
  }
  // The snap's desktop file is "SNAP_APP.desktop".
  ids.push_back(std::string(client->program) + "_" + std::string(client->program) + ".desktop");
  for (const std::string_view id : client->flatpak_ids) {
    if (!id.empty()) ids.push_back(std::string(id) + ".desktop");
  }
  return ids;
}

std::string DescribeClient(std::string_view shown_name, Packaging packaging) {
  std::string text(shown_name);
  if (packaging == Packaging::kSnap) text += " (snap)";
  if (packaging == Packaging::kFlatpak) text += " (flatpak)";
  return text;
}

}  // namespace wrenpost
