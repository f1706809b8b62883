// The user's mail clients that take a whole message at once (a start with
// arguments, a Simple MAPI call, a mailto: link), as against the automation
// server that is driven call by call.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "clients/client_name.h"
#include "clients/message_draft.h"

namespace wrenpost {

// How long a started client is watched: one that ends with a failure within
// this time did not open the message; one that ends well (it handed the
// message to a running instance) or still runs (the first instance) did.
inline constexpr std::chrono::milliseconds kStartWatch{3000};

// How long the files handed to a client (a body file, a private copy of an
// attachment) are kept: a running client may read them after the run ended,
// so a later run removes them once they are this old.
inline constexpr std::chrono::hours kHandedFileLifetime{24};

// What a client makes of the sender a run asks for (-from).
struct SenderChoice {
  enum class Kind {
    kAccount,    // one of the client's own accounts, found by name or address, which the client is told
    kOnBehalf,   // no account of that name: the value goes as the sender's address
    kPassed,     // handed to the client, which picks the account itself
    kNotChosen,  // no such account, or the client cannot be told: it uses its default account
  };
  Kind kind = Kind::kNotChosen;
  std::string address;   // what goes into the draft's `from` (empty for kNotChosen)
  std::string reason;    // kNotChosen: why, in Polish, for the log
  std::string identity = {};  // what goes into the draft's `sender_identity` (Thunderbird's key), or empty
};

class DraftClient {
 public:
  virtual ~DraftClient() = default;
  // The client and the way it is reached, for the log ("Thunderbird (snap)").
  virtual std::string Description() const = 0;
  // Looks `from` up the way this client can; never raises for a sender it
  // cannot choose (that is kNotChosen).
  virtual SenderChoice ChooseSender(const std::string& from) = 0;
  // Opens the compose window with the whole draft. Raises RunError when the
  // client cannot take it or does not start.
  virtual void Open(const MessageDraft& draft) = 0;
  // A line for the log before the client's entry: why the route that would
  // have come first was passed over. Empty: nothing to say.
  virtual std::string RouteNote() const { return {}; }
  // A line for the log after Open: what became of a message that opened
  // without a failure but is not there (the user cancelled it). Empty: nothing.
  virtual std::string OpenNote() const { return {}; }
};

class MailClients {
 public:
  virtual ~MailClients() = default;
  // What a run without -client uses: kOutlook where the automation server is
  // the rule (Windows), kAuto elsewhere.
  virtual ClientName DefaultChoice() const = 0;
  // The client `name` stands for; kAuto: the user's default one. Raises
  // RunError when there is none (429, naming what is missing) or when this
  // system has no such client.
  virtual std::unique_ptr<DraftClient> Find(ClientName name) = 0;
};

}  // namespace wrenpost
