#include "clients/windows_mail_route.h"

#include <optional>

#include "clients/client_start.h"
#include "errors/run_error.h"
#include "clients/windows_command_line.h"

namespace wrenpost {
namespace {

constexpr const char* kClientsKey = "Software\\Clients\\Mail";

const RegisteredMailClient* FindClient(const MailRegistry& registry, const std::string& name) {
  if (name.empty()) return nullptr;
  for (const RegisteredMailClient& client : registry.clients) {
    if (SameIgnoringAsciiCase(client.name, name)) return &client;
  }
  return nullptr;
}

// Thunderbird or Betterbird, when `executable` is one of them.
std::optional<ClientName> CommandLineClient(const std::string& executable) {
  for (const ClientName name : {ClientName::kThunderbird, ClientName::kBetterbird}) {
    if (SameIgnoringAsciiCase(FileNamePart(executable), std::string(TraitsOf(name)->program) + ".exe")) return name;
  }
  return std::nullopt;
}

// The name of the client key that starts `executable`, else `fallback`.
std::string NameOfProgram(const MailRegistry& registry, const std::string& executable, std::string fallback) {
  if (executable.empty()) return fallback;
  for (const RegisteredMailClient& client : registry.clients) {
    if (SameIgnoringAsciiCase(ExecutableOfCommand(client.open_command), executable)) return client.name;
  }
  return fallback;
}

bool HasMailtoHandler(const MailRegistry& registry) {
  return !registry.mailto_prog_id.empty() || !registry.mailto_command.empty();
}

// The first registered Thunderbird (or Betterbird) of `wanted`, or any of the
// two when `wanted` is empty.
std::optional<ChosenRoute> CommandLineRoute(const MailRegistry& registry, std::optional<ClientName> wanted) {
  const auto route_for = [&](const std::string& command, const std::string* key_name) -> std::optional<ChosenRoute> {
    const std::string executable = ExecutableOfCommand(command);
    const std::optional<ClientName> client = CommandLineClient(executable);
    if (!client || (wanted && *client != *wanted)) return std::nullopt;
    std::string name = key_name != nullptr
                           ? *key_name
                           : NameOfProgram(registry, executable, std::string(TraitsOf(*client)->shown_name));
    return ChosenRoute{MailRoute::kCommandLine, std::move(name), executable, *client};
  };
  if (const RegisteredMailClient* chosen = FindClient(registry, registry.default_client)) {
    if (auto route = route_for(chosen->open_command, &chosen->name)) return route;
  }
  if (auto route = route_for(registry.mailto_command, nullptr)) return route;
  if (!wanted) return std::nullopt;
  for (const RegisteredMailClient& client : registry.clients) {
    if (auto route = route_for(client.open_command, &client.name)) return route;
  }
  return std::nullopt;
}

bool OfOtherWidth(const RegisteredMailClient& client, const MailRegistry& registry) {
  return client.dll_bits != 0 && registry.process_bits != 0 && client.dll_bits != registry.process_bits;
}

// Why the default client offers no Simple MAPI.
std::string NoSimpleMapi(const MailRegistry& registry) {
  if (registry.default_client.empty()) {
    return std::string("w ") + kClientsKey + " nie ma domyślnego programu pocztowego";
  }
  if (FindClient(registry, registry.default_client) == nullptr) {
    return "domyślny program pocztowy „" + registry.default_client + "” nie ma swojego klucza w " + kClientsKey;
  }
  const RegisteredMailClient& chosen = *FindClient(registry, registry.default_client);
  if (!chosen.dll_path.empty() && OfOtherWidth(chosen, registry)) {
    return "biblioteka Simple MAPI programu „" + chosen.name + "” (" + chosen.dll_path + ") jest " +
           std::to_string(chosen.dll_bits) + "-bitowa, a Wrenpost działa jako program " +
           std::to_string(registry.process_bits) + "-bitowy";
  }
  return "domyślny program pocztowy „" + registry.default_client + "” nie rejestruje Simple MAPI (DLLPath)";
}

}  // namespace

std::optional<ChosenRoute> MailtoRoute(const MailRegistry& registry, const std::string& why) {
  if (!HasMailtoHandler(registry)) return std::nullopt;
  const std::string executable = ExecutableOfCommand(registry.mailto_command);
  std::string fallback =
      !registry.mailto_prog_id.empty() ? registry.mailto_prog_id : std::string(FileNamePart(executable));
  ChosenRoute route{MailRoute::kMailto, NameOfProgram(registry, executable, std::move(fallback)), {}};
  if (!why.empty()) route.note = "Simple MAPI pominięte: " + why + ".";
  return route;
}

ChosenRoute ChooseMailRoute(ClientName asked, const MailRegistry& registry) {
  const RegisteredMailClient* chosen = FindClient(registry, registry.default_client);
  const bool simple_mapi = chosen != nullptr && !chosen->dll_path.empty() && !OfOtherWidth(*chosen, registry);
  const bool other_width = chosen != nullptr && !chosen->dll_path.empty() && !simple_mapi;
  switch (asked) {
    case ClientName::kDefault:
    case ClientName::kAuto: {
      if (auto route = CommandLineRoute(registry, std::nullopt)) return *route;
      if (simple_mapi) {
        ChosenRoute route{MailRoute::kSimpleMapi, chosen->name, {}};
        if (auto mailto = MailtoRoute(registry, {})) route.fallback_name = mailto->client_name;
        return route;
      }
      if (auto route = MailtoRoute(registry, other_width ? NoSimpleMapi(registry) : std::string())) return *route;
      throw RunError(errors::kCannotCreateObject,
                     "Nie znaleziono programu pocztowego: MS Outlook nie jest zarejestrowany do automatyzacji, " +
                         NoSimpleMapi(registry) + ", a linków mailto: nie obsługuje żaden program.");
    }
    case ClientName::kMapi:
      if (simple_mapi) return {MailRoute::kSimpleMapi, chosen->name, {}};
      throw RunError(errors::kCannotCreateObject, "Nie można użyć Simple MAPI: " + NoSimpleMapi(registry) + ".");
    case ClientName::kThunderbird:
    case ClientName::kBetterbird: {
      if (auto route = CommandLineRoute(registry, asked)) return *route;
      const ClientTraits& traits = *TraitsOf(asked);
      throw RunError(errors::kCannotCreateObject, "Nie znaleziono programu " + std::string(traits.shown_name) +
                                                      ": żaden program pocztowy w " + kClientsKey +
                                                      " ani program linków mailto: nie uruchamia pliku " +
                                                      std::string(traits.program) + ".exe.");
    }
    case ClientName::kOutlook:
      throw RunError(errors::kInternalError, "MS Outlook działa przez automatyzację, nie jako program pocztowy.");
    default:
      throw RunError(errors::kInvalidCall, "Program pocztowy „" + std::string(ClientNameText(asked)) +
                                               "” działa tylko w systemie Linux. W Windows opcja -client przyjmuje "
                                               "nazwy: outlook, auto, mapi, thunderbird, betterbird.");
  }
}

int PeWidth(std::string_view header) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(header[at])); };
  if (header.size() < 0x40 || header.substr(0, 2) != "MZ") return 0;
  const std::size_t pe = byte(0x3C) | byte(0x3D) << 8 | byte(0x3E) << 16 | static_cast<std::size_t>(byte(0x3F)) << 24;
  if (pe > header.size() || header.size() - pe < 6 || header.substr(pe, 4) != std::string_view("PE\0\0", 4)) return 0;
  switch (byte(pe + 4) | byte(pe + 5) << 8) {
    case 0x014C:  // x86
    case 0x01C4:  // ARM (Thumb-2)
      return 32;
    case 0x8664:  // x64
    case 0xAA64:  // ARM64
      return 64;
    default:
      return 0;
  }
}

std::string RouteDescription(const ChosenRoute& route) {
  switch (route.route) {
    case MailRoute::kCommandLine:
      return route.client_name + " (wiersz poleceń)";
    case MailRoute::kSimpleMapi:
      return route.client_name + " (Simple MAPI)";
    case MailRoute::kMailto:
      break;
  }
  return route.client_name + " (mailto:)";
}

}  // namespace wrenpost
