// Finding the user's mail client: the desktop's default handler of mailto:
// links and the desktop files as GIO finds them, judged by the pure rules in
// clients/, a named client's desktop file, or a program on PATH.
#include "platform/posix/posix_mail_clients.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "clients/client_start.h"
#include "clients/desktop_entry.h"
#include "clients/linux_client_choice.h"
#include "clients/mime_apps.h"
#include "errors/run_error.h"
#include "platform/posix/gio_desktop_apps.h"
#include "platform/posix/posix_mailto_handler.h"
#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/posix_started_client.h"

namespace wrenpost {
namespace {

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

// The client a desktop file starts, its program found on PATH as the start
// will find it; nullopt for any other program.
std::optional<ClientLaunch> ClientOf(const DesktopApp& app) {
  auto words = ExecWords(app.entry, app.file);
  if (!words) return std::nullopt;
  auto launch = ClientOfDesktopFile(app.id, std::move(*words));
  if (!launch || TraitsOf(launch->name) == nullptr) return std::nullopt;
  launch->command = ResolvedCommand(std::move(launch->command));
  return launch;
}

// A client this program can start with a whole draft.
std::optional<ClientLaunch> Supported(std::optional<ClientLaunch> launch) {
  if (launch && TraitsOf(launch->name) != nullptr) return launch;
  return std::nullopt;
}

// An installed desktop file of a client whose program is not found as the
// start looks for it is not installed for this run.
std::optional<ClientLaunch> InstalledClient(const std::string& id) {
  const auto app = InstalledApp(id);
  if (!app) return std::nullopt;
  try {
    return ClientOf(*app);
  } catch (const RunError&) {
    return std::nullopt;
  }
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
  const std::string home = HomeFolder();
  const XdgFolders folders = XdgFoldersFrom(Variable, home);
  const auto started = [&](ClientLaunch launch) {
    const ClientTraits& traits = *TraitsOf(launch.name);
    return MakeStartedClient(traits, std::move(launch), home, folders);
  };
  const std::optional<DesktopApp> default_app = DefaultMailtoApp();
  std::optional<ClientLaunch> default_client;
  std::optional<RunError> default_missing;
  if (default_app) {
    try {
      default_client = ClientOf(*default_app);
    } catch (const RunError& error) {
      default_missing = RunError(error.number, "Domyślny program pocztowy „" + default_app->name + "” (" +
                                                   default_app->id + ") nie może zostać uruchomiony. " +
                                                   error.description);
    }
  }

  if (name == ClientName::kAuto || name == ClientName::kDefault) {
    // Another client in place of the user's default would go against the user's choice.
    if (default_missing) throw *default_missing;
    if (default_client) return started(std::move(*default_client));
    // A default that takes only links gets the message as one.
    if (default_app) return MakeMailtoHandler(*default_app);
    for (const ClientName client : {ClientName::kThunderbird, ClientName::kBetterbird}) {
      const ClientTraits& traits = *TraitsOf(client);
      if (const auto path = FindExecutableOnPath(traits.program)) {
        if (auto launch = Supported(ClientOfProgram(*path))) return started(std::move(*launch));
      }
    }
    throw RunError(errors::kCannotCreateObject,
                   "Nie znaleziono programu pocztowego: nie ma domyślnego programu do odnośników mailto: ani "
                   "programu thunderbird lub betterbird w folderach ze zmiennej PATH.");
  }

  const ClientTraits* traits = TraitsOf(name);
  if (traits == nullptr) {
    throw RunError(errors::kCannotCreateObject, "Program pocztowy " + std::string(ClientNameText(name)) +
                                                    " nie jest jeszcze obsługiwany w tym systemie.");
  }
  if (default_client && default_client->name == name) return started(std::move(*default_client));
  for (const std::string& id : DesktopIdsOf(name)) {
    auto launch = InstalledClient(id);
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
