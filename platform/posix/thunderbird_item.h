// "Outlook.Application" answered by Thunderbird: the same members, reached by
// name, over Thunderbird's command-line compose window.
//
// Thunderbird's compose window cannot be changed once it is open, so the new
// message collects everything it is given and the window opens when the item
// is released after `Display` was called. An item released without `Display`
// opens nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/automation.h"
#include "platform/posix/thunderbird_compose.h"

namespace wrenpost {

// Everything a new message has been given so far.
struct ComposeDraft {
  std::vector<std::string> recipients;      // Type 1 (to), the default
  std::vector<std::string> cc_recipients;   // Type 2
  std::vector<std::string> bcc_recipients;  // Type 3
  std::optional<std::string> subject;
  std::optional<std::string> from;  // SentOnBehalfOfName: the sender's address
  std::optional<std::string> body;  // the last of `Body` and `HtmlBody` set
  BodyFormat format = BodyFormat::kText;
  std::vector<std::string> attachment_paths;  // absolute, resolved
  bool displayed = false;
};

// Opens the compose window for a finished draft. Raises RunError on failure.
using ComposeOpener = std::function<void(const ComposeDraft&)>;

// The application object. `working_folder` is where relative attachment
// paths are taken from.
std::unique_ptr<AutomationObject> CreateThunderbirdApplication(ComposeOpener opener,
                                                               std::string working_folder);

// The real opener: the body into a private temporary file, then
// `thunderbird -compose <fields>` started from `thunderbird_path`, not waited for.
ComposeOpener ThunderbirdOpener(std::string thunderbird_path);

}  // namespace wrenpost
