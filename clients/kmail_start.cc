// KMail: "--composer" and every value in an option's one-argument form
// ("--subject=..."), so no value can be read as an option of its own.
//
// The recipients go last, after "--", as one argument that starts with a
// blank: KMail attaches a positional argument that parses as a URL with a
// scheme ("file:///etc/passwd#a@b"), and no text that starts with a blank
// has one; the blank means nothing in an address list. A subject of exactly
// "ession" is what KMail takes for its own "-session" switch, dropping the
// subject and the recipients, so that one subject goes in a mailto: argument.
#include "clients/client_start.h"
#include "clients/mailto_url.h"
#include "clients/thunderbird_compose.h"

namespace wrenpost {

std::vector<std::string> KmailArguments(const MessageDraft& draft, const std::string& body,
                                        const std::optional<std::string>& body_file) {
  constexpr std::string_view kSessionSubject = "ession";
  std::vector<std::string> arguments = {"--composer"};
  if (!draft.subject.empty() && draft.subject != kSessionSubject) arguments.push_back("--subject=" + draft.subject);
  if (!draft.cc.empty()) arguments.push_back("--cc=" + JoinAddresses(draft.cc));
  if (!draft.bcc.empty()) arguments.push_back("--bcc=" + JoinAddresses(draft.bcc));
  if (body_file) {
    arguments.push_back("--msg=" + FileUrl(*body_file));
  } else if (!body.empty()) {
    arguments.push_back("--body=" + body);
  }
  for (const std::string& path : draft.attachments) arguments.push_back("--attach=" + FileUrl(path));
  if (!draft.from.empty()) arguments.push_back("--identity=" + draft.from);
  const bool session_subject = draft.subject == kSessionSubject;
  if (session_subject || !draft.to.empty()) arguments.push_back("--");
  if (session_subject) arguments.push_back("mailto:?subject=" + draft.subject);
  if (!draft.to.empty()) arguments.push_back(" " + JoinAddresses(draft.to));
  return arguments;
}

}  // namespace wrenpost
