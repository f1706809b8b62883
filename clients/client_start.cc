#include "clients/client_start.h"

#include <algorithm>
#include <array>

#include "clients/attachment_name.h"
#include "errors/run_error.h"
#include "text/html_to_text.h"

namespace wrenpost {
namespace {

constexpr std::array<ClientTraits, 6> kClients = {{
    {ClientName::kThunderbird, "Thunderbird", "thunderbird", true, SenderSupport::kIdentities, true},
    {ClientName::kBetterbird, "Betterbird", "betterbird", true, SenderSupport::kIdentities, true},
    {ClientName::kEvolution, "Evolution", "evolution", false, SenderSupport::kByAddress, false},
    {ClientName::kKmail, "KMail", "kmail", false, SenderSupport::kByName, true},
    {ClientName::kClawsMail, "Claws Mail", "claws-mail", false, SenderSupport::kByAddress, true},
    {ClientName::kGeary, "Geary", "geary", false, SenderSupport::kNone, false},
}};

std::vector<std::string> ArgumentsFor(const ClientTraits& client, const MessageDraft& draft,
                                      const std::optional<std::string>& body_file) {
  switch (client.name) {
    case ClientName::kThunderbird:
    case ClientName::kBetterbird:
      return ThunderbirdArguments(draft, body_file);
    case ClientName::kEvolution:
      return EvolutionArguments(draft, BodyForClient(client, draft));
    case ClientName::kGeary:
      return GearyArguments(draft, BodyForClient(client, draft));
    case ClientName::kKmail:
      return KmailArguments(draft, BodyForClient(client, draft), body_file);
    case ClientName::kClawsMail:
      return ClawsMailArguments(draft, BodyForClient(client, draft), body_file);
    default:
      throw RunError(errors::kInvalidCall, "Nie można uruchomić programu " + std::string(client.shown_name) + ".");
  }
}

std::size_t LongestArgument(const std::vector<std::string>& arguments) {
  std::size_t longest = 0;
  for (const std::string& argument : arguments) longest = std::max(longest, argument.size());
  return longest;
}

bool FitsCommandLine(const ClientTraits& client, const std::vector<std::string>& arguments) {
  if (LongestArgument(arguments) > kMaxArgumentBytes) return false;
  return client.name != ClientName::kClawsMail || ClawsMailRequestLine(arguments) <= kClawsMaxRequestLine;
}

[[noreturn]] void ThrowTooLong(const ClientTraits& client, const std::vector<std::string>& arguments) {
  const std::string name(client.shown_name);
  if (LongestArgument(arguments) > kMaxArgumentBytes) {
    throw RunError(errors::kInvalidCall,
                   "Wiadomość jest za długa dla programu " + name + ": zajęłaby " +
                       std::to_string(LongestArgument(arguments)) +
                       " bajtów w jednym argumencie polecenia, a Linux przyjmuje najwyżej " +
                       std::to_string(kMaxArgumentBytes) + "." +
                       (client.body_file ? "" : " Ten program nie czyta treści wiadomości z pliku.") +
                       " Wiadomość nie zostanie obcięta.");
  }
  throw RunError(errors::kInvalidCall,
                 "Wiadomość jest za długa dla programu " + name + ": uruchomiony już program przyjmuje ją w "
                 "jednym wierszu o długości najwyżej " + std::to_string(kClawsMaxRequestLine) +
                     " bajtów, a ta zajęłaby " + std::to_string(ClawsMailRequestLine(arguments)) +
                     ". Wiadomość nie zostanie obcięta.");
}

}  // namespace

const ClientTraits* TraitsOf(ClientName name) {
  for (const ClientTraits& client : kClients) {
    if (client.name == name) return &client;
  }
  return nullptr;
}

std::string BodyForClient(const ClientTraits& client, const MessageDraft& draft) {
  return draft.html && !client.html_compose ? HtmlToText(draft.body) : draft.body;
}

bool NeedsBodyFile(const ClientTraits& client, const MessageDraft& draft) {
  if (draft.body.empty() || !client.body_file) return false;
  if (client.name == ClientName::kThunderbird || client.name == ClientName::kBetterbird) return true;
  return !FitsCommandLine(client, ArgumentsFor(client, draft, std::nullopt));
}

std::vector<std::string> StartArguments(const ClientTraits& client, const MessageDraft& draft,
                                        const std::optional<std::string>& body_file) {
  if (!body_file && NeedsBodyFile(client, draft)) {
    throw RunError(errors::kInternalError, "Treść wiadomości dla programu " + std::string(client.shown_name) +
                                               " musi trafić do pliku, a plik nie został podany.");
  }
  for (const std::string& path : draft.attachments) {
    if (CarriesPath(client.name, path)) continue;
    throw RunError(errors::kInvalidCall,
                   "Program " + std::string(client.shown_name) + " nie dołączy pliku „" + path +
                       "” pod tą nazwą (znak końca wiersza lub inny znak sterujący albo zbyt długa ścieżka), a "
                       "kopia pliku pod inną nazwą nie została przygotowana. Wiadomość nie zostanie otwarta bez "
                       "tego pliku.");
  }
  std::vector<std::string> arguments = ArgumentsFor(client, draft, body_file);
  if (!FitsCommandLine(client, arguments)) ThrowTooLong(client, arguments);
  return arguments;
}

}  // namespace wrenpost
