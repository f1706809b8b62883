// The whole message as a mail client that is not driven by automation takes
// it: every field at once, when its compose window opens.
#pragma once

#include <string>
#include <vector>

namespace wrenpost {

struct MessageDraft {
  std::vector<std::string> to;   // each recipient exactly as the list gave it
  std::vector<std::string> cc;   // copies
  std::vector<std::string> bcc;  // blind copies
  std::string subject;           // empty: none
  std::string body;              // empty: none
  bool html = false;             // the body is HTML
  std::string from;              // the sender as the client takes it (see SenderSupport); empty: its default
  std::vector<std::string> attachments;  // full paths of the files found, in order
  std::string sender_identity = {};  // Thunderbird's identity key ("id2"), which selects it exactly; empty: none
};

}  // namespace wrenpost
