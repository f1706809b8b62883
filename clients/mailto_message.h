// The draft as a mailto: link, for a default mail client that takes nothing
// else (the new Outlook), and whether the link can carry it. Pure code.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "clients/message_draft.h"
#include "errors/run_error.h"

namespace wrenpost {

// The longest link handed over, in characters. Windows' URL handling and
// the mailto: handlers built on it keep URLs to INTERNET_MAX_URL_LENGTH
// (2,083 characters with the scheme); a longer link may arrive cut, so the
// message then goes nowhere rather than half.
inline constexpr std::size_t kMaxMailtoUrlLength = 2048;

// "mailto:" with the To addresses, then cc, bcc, subject and body (an HTML
// body as its text), as RFC 6068 writes them.
std::string MailtoUrlOf(const MessageDraft& draft);

// The 429 report for a message the link cannot carry, naming what it cannot
// (attachments, a sender, its length), or nullopt when the link carries it
// whole. `sender_asked`: the run asked for a sender (-from); `client_name`
// is the default client's, for the description; `max_length`: the longest
// link the way it is handed over takes.
std::optional<RunError> MailtoRefusal(std::string_view client_name, const MessageDraft& draft, bool sender_asked,
                                      std::size_t url_length, std::size_t max_length = kMaxMailtoUrlLength);

}  // namespace wrenpost
