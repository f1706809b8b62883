// The way a run that does not go to Outlook's automation reaches the user's
// mail client on Windows, chosen from what the registry says. Pure code: the
// registry is read at the edge (win_registry.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/client_name.h"

namespace wrenpost {

// A mail client registered under Software\Clients\Mail.
struct RegisteredMailClient {
  std::string name;          // its key's name
  std::string dll_path;      // its Simple MAPI library (DLLPath, else DLLPathEx); empty: none
  std::string open_command;  // shell\open\command; empty: none
  int dll_bits = 0;          // the library's width (32, 64) by its PE header; 0: not known
};

struct MailRegistry {
  // Software\Clients\Mail's default value (HKCU before HKLM): the default client's key.
  std::string default_client;
  // Every client key, HKCU's before HKLM's.
  std::vector<RegisteredMailClient> clients;
  // The user's choice for mailto: links (UrlAssociations\mailto\UserChoice).
  std::string mailto_prog_id;
  // The command that opens mailto: links: the chosen ProgId's, else that of
  // Classes\mailto. A packaged app may have a ProgId without one.
  std::string mailto_command;
  // This program's width: mapi32.dll loads only a provider of the same one.
  int process_bits = 0;
};

enum class MailRoute {
  kCommandLine,  // Thunderbird or Betterbird started with -compose
  kSimpleMapi,   // MAPISendMailW of mapi32.dll
  kMailto,       // a mailto: link opened by the shell
};

struct ChosenRoute {
  MailRoute route;
  std::string client_name;                // for the log: its key under Software\Clients\Mail when it has one
  std::string executable;                 // kCommandLine: the program to start
  ClientName client = ClientName::kAuto;  // kCommandLine: kThunderbird or kBetterbird
  std::string note{};                     // for the log: why Simple MAPI was passed over; empty: it was not
  // kSimpleMapi under kAuto: the mailto: handler's name, to go on to when
  // Simple MAPI cannot be loaded; empty: none.
  std::string fallback_name{};
};

// The route for the -client name `asked`. For kAuto (and kDefault) the first
// that fits of: the default client or the mailto: handler being Thunderbird
// or Betterbird (its executable's file name), the default client's Simple
// MAPI, a mailto: handler. kMapi: the default client's Simple MAPI;
// kThunderbird, kBetterbird: that program wherever it is registered (the
// default client, the mailto: handler, any client key). Simple MAPI counts
// only where its library is of the program's width (HKLM\Software\Clients is
// one key for 32- and 64-bit programs, and mapi32.dll cannot load a provider
// of the other width). Raises RunError: 429 whose description says what is
// missing, 5 for a client of another system.
ChosenRoute ChooseMailRoute(ClientName asked, const MailRegistry& registry);

// The mailto: route of kAuto, for a Simple MAPI that cannot be loaded; `why`
// goes into its note. nullopt without a mailto: handler.
std::optional<ChosenRoute> MailtoRoute(const MailRegistry& registry, const std::string& why);

// The width (32 or 64) of the Windows program or library whose first bytes
// are `header`, by its PE header's machine type; 0 when it is none or unknown.
int PeWidth(std::string_view header);

// The client and its route, for the log: "Mozilla Thunderbird (wiersz poleceń)".
std::string RouteDescription(const ChosenRoute& route);

}  // namespace wrenpost
