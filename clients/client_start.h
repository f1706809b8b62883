// How a mail client that takes the whole draft is started with it: what the
// client is, and the arguments that follow the program that starts it (its
// executable, or a sandbox's launcher such as "flatpak run ... APP-ID").
// Pure code: one small file per client builds its arguments.
//
// For the caller (the platform's DraftClient):
//   1. BodyForClient gives the body as the client takes it;
//   2. when NeedsBodyFile, write that body to a private file (".html" for an
//      HTML body, ".txt" otherwise) the client can read;
//   3. StartArguments gives the arguments, or raises RunError when the draft
//      cannot reach the client whole (never a cut message).
// The draft's sender is what the client's SenderSupport takes: Thunderbird's
// identity key in `sender_identity` (or an address in `from` where the
// profile was not read), an address or "Name <address>" (kByAddress), an
// identity's name (kByName); kNone ignores it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/client_name.h"
#include "clients/message_draft.h"

namespace wrenpost {

// How the client can be told which account sends.
enum class SenderSupport {
  kIdentities,  // the identity's key from the profile (Thunderbird's preselectid)
  kByAddress,   // the client takes the account whose address it is given (Evolution, Claws Mail)
  kByName,      // the client takes the identity of the name it is given (KMail's --identity)
  kNone,        // the client cannot be told (Geary)
};

struct ClientTraits {
  ClientName name;
  std::string_view shown_name;  // for the log: "Thunderbird"
  std::string_view program;     // the executable's usual name: "thunderbird"
  bool html_compose;            // an HTML body stays HTML; otherwise it goes as plain text
  SenderSupport sender;
  bool body_file;               // the client can read the body from a file
};

// The traits of a client that takes the whole draft; null for any other name
// (outlook, auto, mapi, the default).
const ClientTraits* TraitsOf(ClientName name);

// The longest single argument Linux takes: 32 pages of 4 KiB, its NUL included.
inline constexpr std::size_t kMaxArgumentBytes = 128 * 1024 - 1;

// The body as the client takes it: the draft's body, or its plain text when
// the body is HTML and the client does not compose HTML.
std::string BodyForClient(const ClientTraits& client, const MessageDraft& draft);

// Whether the body has to reach the client in a file: always for a client that
// takes it only so (Thunderbird), and for a body too long for the client's
// command line when the client can read one (KMail, Claws Mail). False when
// the draft has no body.
bool NeedsBodyFile(const ClientTraits& client, const MessageDraft& draft);

// The arguments that open the compose window with `draft`, whose attachments
// are absolute paths the client can read. `body_file`, when NeedsBodyFile,
// names a UTF-8 file holding BodyForClient. Raises RunError when the draft
// cannot reach the client whole: an argument past kMaxArgumentBytes, a request
// too long for a running Claws Mail, an attachment whose path the client
// cannot carry (CarriesPath: the caller hands such a file over as a copy
// named CarriableName).
std::vector<std::string> StartArguments(const ClientTraits& client, const MessageDraft& draft,
                                        const std::optional<std::string>& body_file);

// Per client (the files <client>_start.cc): `body` is BodyForClient.
std::vector<std::string> ThunderbirdArguments(const MessageDraft& draft, const std::optional<std::string>& body_file);
std::vector<std::string> EvolutionArguments(const MessageDraft& draft, const std::string& body);
std::vector<std::string> GearyArguments(const MessageDraft& draft, const std::string& body);
std::vector<std::string> KmailArguments(const MessageDraft& draft, const std::string& body,
                                        const std::optional<std::string>& body_file);
std::vector<std::string> ClawsMailArguments(const MessageDraft& draft, const std::string& body,
                                            const std::optional<std::string>& body_file);

// The longest line a running Claws Mail reads whole from its control socket,
// the line's LF included: its 8192-byte buffer less two bytes.
inline constexpr std::size_t kClawsMaxRequestLine = 8190;
// The length of the first line the arguments hand to a running Claws Mail.
std::size_t ClawsMailRequestLine(const std::vector<std::string>& arguments);

}  // namespace wrenpost
