// The draft as a Simple MAPI message (MAPISendMailW), and what the call's
// answer means. Pure code: the call itself is made at the edge
// (win_simple_mapi.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clients/message_draft.h"
#include "errors/run_error.h"

namespace wrenpost {

// The values of Windows' mapi.h.
inline constexpr std::uint32_t kMapiOrig = 0;
inline constexpr std::uint32_t kMapiTo = 1;
inline constexpr std::uint32_t kMapiCc = 2;
inline constexpr std::uint32_t kMapiBcc = 3;
inline constexpr std::uint32_t kMapiLogonUi = 0x1;
inline constexpr std::uint32_t kMapiDialog = 0x8;
inline constexpr std::uint32_t kMapiDialogModeless = 0xC;  // MAPI_DIALOG with the modeless bit
inline constexpr std::uint32_t kMapiUserAbort = 1;

// The two ways the compose window is asked for; never a send without it.
// Modeless (with session 0) lets the run end once the window shows.
inline constexpr std::uint32_t kModelessFlags = kMapiLogonUi | kMapiDialogModeless;
inline constexpr std::uint32_t kDialogFlags = kMapiLogonUi | kMapiDialog;

struct MapiRecipient {
  std::uint32_t recipient_class;  // kMapiTo, kMapiCc, kMapiBcc
  std::string name;               // as the list gave it
  std::string address;            // "SMTP:" and the address; empty: a name for the client to resolve
};

struct MapiAttachment {
  std::string path;  // the full path
  std::string name;  // the file name the recipient sees
};

struct MapiMessage {
  std::string subject;    // empty: none
  std::string note_text;  // plain text, CR LF line ends; empty: none
  std::vector<MapiRecipient> recipients;
  std::vector<MapiAttachment> attachments;
  std::vector<MapiRecipient> originator;  // lpOriginator: none, or the sender the run asked for
};

// The draft as Simple MAPI takes it: To, Cc and Bcc in order, each value
// that holds '@' as an "SMTP:" address (the part inside "<...>" when it has
// one, with the text before it as the name) and any other as a name for the
// client to resolve, values of blanks only left out; the body as text (an
// HTML body through HtmlToText) with CR LF line ends; attachments by full
// path; the draft's sender as the originator, written like a recipient
// (Thunderbird's provider takes the identity of its address).
MapiMessage SimpleMapiMessage(const MessageDraft& draft);

enum class MapiAnswer {
  kShown,            // SUCCESS_SUCCESS
  kClosedByUser,     // MAPI_E_USER_ABORT: the user closed the window
  kModelessRefused,  // asked modeless, the client refused it: ask again in the dialog mode
  kFailed,
};

// What `code`, the answer to a call with `flags`, means. A client that does
// not support the modeless window answers MAPI_E_NOT_SUPPORTED or
// MAPI_E_FAILURE.
MapiAnswer ReadMapiAnswer(std::uint32_t code, std::uint32_t flags);

// The failure report of an answer of `entry` (MAPISendMailW, MAPISendMail)
// that is a failure: numbered as the callers' runtime numbers Simple MAPI
// errors (32000 + the code), its description naming the code.
RunError MapiFailure(std::uint32_t code, std::string_view entry = "MAPISendMailW");

// The log's entry for a user who cancelled the message in the client.
inline constexpr const char* kMapiCancelledEntry =
    "Użytkownik anulował wiadomość w programie pocztowym (MAPI_E_USER_ABORT): wiadomość nie została wysłana.";

}  // namespace wrenpost
