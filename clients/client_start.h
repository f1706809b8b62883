// How a mail client that takes the whole draft is started with it: what the
// client is, and the arguments that follow the program that starts it (its
// executable, or a sandbox's launcher such as "flatpak run ... APP-ID").
// Pure code: one small file per client builds its arguments.
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
  kIdentities,  // the program reads the profile's identities and passes an address (Thunderbird)
  kByAddress,   // the client takes the account whose address it is given
  kByName,      // the client takes the identity of the name it is given
  kNone,        // the client cannot be told
};

struct ClientTraits {
  ClientName name;
  std::string_view shown_name;  // for the log: "Thunderbird"
  std::string_view program;     // the executable's usual name: "thunderbird"
  bool html_compose;            // an HTML body stays HTML; otherwise it goes as plain text
  SenderSupport sender;
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
// takes it only so (Thunderbird), and for a body too long for an argument of
// a client that can read one. False when the draft has no body.
bool NeedsBodyFile(const ClientTraits& client, const MessageDraft& draft);

// The arguments that open the compose window with `draft`, whose attachments
// are paths the client can read. `body_file`, when NeedsBodyFile, names a
// UTF-8 file holding BodyForClient; its name ends ".html" for an HTML body,
// ".txt" otherwise. Raises RunError when the draft cannot reach the client
// whole (an argument past kMaxArgumentBytes, a value the client would misread).
std::vector<std::string> StartArguments(const ClientTraits& client, const MessageDraft& draft,
                                        const std::optional<std::string>& body_file);

// Per client (the files <client>_start.cc).
std::vector<std::string> ThunderbirdArguments(const MessageDraft& draft, const std::optional<std::string>& body_file);

}  // namespace wrenpost
