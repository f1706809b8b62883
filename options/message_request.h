// What the command line asks for.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace wrenpost {

// An ordered list of texts that may also never have been set.
using TextList = std::optional<std::vector<std::string>>;

struct MessageRequest {
  std::string subject;
  std::string body;
  std::string body_file_path;
  bool delete_body_file = false;
  bool html = false;
  std::string from;        // the sending account, or the mailbox sent on behalf of
  bool signature = false;  // the body goes in after the window shows the signature
  std::string client;         // the mail client asked for by name; empty: the system's usual one
  std::string template_path;  // an Outlook template (.oft) the message starts from; empty: none
  TextList attachments;
  TextList recipients;      // "to"
  TextList cc_recipients;   // "cc": copies
  TextList bcc_recipients;  // "bcc": blind copies
};

// Number of elements; 0 for a list that was never set and for an empty one.
std::size_t CountItems(const TextList& list) noexcept;

}  // namespace wrenpost
