// Finding the user's mail client: the desktop's default handler of mailto:
// links (mimeapps.list and desktop files, read here, judged by the pure rules
// in clients/), a named client's desktop file, or a program on PATH.
#include "platform/posix/posix_mail_clients.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "clients/client_start.h"
#include "clients/desktop_entry.h"
#include "clients/linux_client_choice.h"
#include "clients/mime_apps.h"
#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/posix_started_client.h"
#include "errors/run_error.h"

namespace wrenpost {
namespace {

constexpr std::string_view kMailtoType = "x-scheme-handler/mailto";

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string HomeFolder() {
  if (const auto home = Variable("HOME"); home && !home->empty() && home->front() == '/') return *home;
  const passwd* entry = ::getpwuid(::geteuid());
  return entry && entry->pw_dir ? entry->pw_dir : "/";
}

std::optional<std::string> ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool IsKind(const std::string& path, mode_t kind) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

// A program named by an Exec line or TryExec: a path, or a name on PATH.
bool ProgramExists(const std::string& program) {
  if (program.find('/') == std::string::npos) return FindExecutableOnPath(program).has_value();
  return IsKind(program, S_IFREG) && ::access(program.c_str(), X_OK) == 0;
}

// The file of desktop file ID `id` below `folder`: the ID itself, or the ID
// with dashes standing for subfolders ("kde4-kmail.desktop" is kde4/kmail.desktop).
std::optional<std::string> DesktopFileIn(const std::string& folder, std::string_view id) {
  const std::string direct = folder + "/" + std::string(id);
  if (IsKind(direct, S_IFREG)) return direct;
  for (auto dash = id.find('-'); dash != std::string_view::npos; dash = id.find('-', dash + 1)) {
    const std::string subfolder = folder + "/" + std::string(id.substr(0, dash));
    if (!IsKind(subfolder, S_IFDIR)) continue;
    if (auto found = DesktopFileIn(subfolder, id.substr(dash + 1))) return found;
  }
  return std::nullopt;
}

struct DesktopFacts {
  std::string home = HomeFolder();
  XdgFolders folders = XdgFoldersFrom(Variable, home);
  std::vector<std::string> applications = ApplicationFolders(folders);
};

// What an installed desktop file starts (a client or any other program);
// nullopt when `id` is not installed: no such file in the applications
// folders (the first one found counts), deleted (Hidden), its TryExec or its
// program missing.
std::optional<std::optional<ClientLaunch>> InstalledDesktopFile(const DesktopFacts& facts, const std::string& id) {
  for (const std::string& folder : facts.applications) {
    const std::optional<std::string> path = DesktopFileIn(folder, id);
    if (!path) continue;
    const auto text = ReadText(*path);
    const auto entry = text ? ParseDesktopEntry(*text) : std::nullopt;
    if (!entry || entry->hidden || (!entry->try_exec.empty() && !ProgramExists(entry->try_exec))) return std::nullopt;
    auto words = ExecWords(*entry, *path);
    if (!words || !ProgramExists(words->front())) return std::nullopt;
    return ClientOfDesktopFile(id, std::move(*words));
  }
  return std::nullopt;
}

// The desktop file ID of the default handler of mailto: links.
std::optional<std::string> DefaultMailtoHandler(const DesktopFacts& facts) {
  const std::vector<MimeAppsList> lists = MimeAppsLookupOrder(facts.folders);
  std::vector<std::string> texts;
  for (const MimeAppsList& list : lists) texts.push_back(ReadText(list.path).value_or(""));
  return DefaultApplication(lists, texts, kMailtoType, [&](const std::string& id) {
    return InstalledDesktopFile(facts, id).has_value();
  });
}

// A client this program can start with a whole draft.
std::optional<ClientLaunch> Supported(std::optional<ClientLaunch> launch) {
  if (launch && TraitsOf(launch->name) != nullptr) return launch;
  return std::nullopt;
}

}  // namespace

std::unique_ptr<DraftClient> PosixMailClients::Find(ClientName name) {
  if (name == ClientName::kMapi) {
    throw RunError(errors::kCannotCreateObject,
                   "Simple MAPI (opcja -client mapi) jest dostępne tylko w systemie Windows.");
  }
  if (name == ClientName::kOutlook) {
    throw RunError(errors::kCannotCreateObject, "MS Outlook (opcja -client outlook) działa tylko w systemie Windows.");
  }
  const DesktopFacts facts;
  const auto started = [&](ClientLaunch launch) {
    const ClientTraits& traits = *TraitsOf(launch.name);
    return MakeStartedClient(traits, std::move(launch), facts.home, facts.folders);
  };
  const std::optional<std::string> default_id = DefaultMailtoHandler(facts);
  std::optional<ClientLaunch> default_client;
  if (default_id) default_client = Supported(InstalledDesktopFile(facts, *default_id).value_or(std::nullopt));

  if (name == ClientName::kAuto || name == ClientName::kDefault) {
    if (default_client) return started(std::move(*default_client));
    for (const ClientName client : {ClientName::kThunderbird, ClientName::kBetterbird}) {
      const ClientTraits& traits = *TraitsOf(client);
      if (const auto path = FindExecutableOnPath(traits.program)) {
        if (auto launch = Supported(ClientOfProgram(*path))) return started(std::move(*launch));
      }
    }
    throw RunError(errors::kCannotCreateObject,
                   default_id ? "Nie znaleziono programu pocztowego: domyślny program do odnośników mailto: (" +
                                    *default_id +
                                    ") nie jest obsługiwany, a w folderach ze zmiennej PATH nie ma programu "
                                    "thunderbird ani betterbird."
                              : "Nie znaleziono programu pocztowego: nie ma domyślnego programu do odnośników "
                                "mailto: ani programu thunderbird lub betterbird w folderach ze zmiennej PATH.");
  }

  const ClientTraits* traits = TraitsOf(name);
  if (traits == nullptr) {
    throw RunError(errors::kCannotCreateObject, "Program pocztowy " + std::string(ClientNameText(name)) +
                                                    " nie jest jeszcze obsługiwany w tym systemie.");
  }
  if (default_client && default_client->name == name) return started(std::move(*default_client));
  for (const std::string& id : DesktopIdsOf(name)) {
    auto launch = Supported(InstalledDesktopFile(facts, id).value_or(std::nullopt));
    if (launch && launch->name == name) return started(std::move(*launch));
  }
  if (const auto path = FindExecutableOnPath(traits->program)) {
    auto launch = Supported(ClientOfProgram(*path));
    if (launch && launch->name == name) return started(std::move(*launch));
  }
  throw RunError(errors::kCannotCreateObject, "Nie znaleziono programu pocztowego " + std::string(traits->shown_name) +
                                                  ": nie ma jego pliku .desktop ani programu " +
                                                  std::string(traits->program) + " w folderach ze zmiennej PATH.");
}

}  // namespace wrenpost
