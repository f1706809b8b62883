#include "clients/mailto_message.h"

#include <vector>

#include "clients/mailto_url.h"
#include "text/html_to_text.h"

namespace wrenpost {

std::string MailtoUrlOf(const MessageDraft& draft) {
  std::vector<MailtoField> fields;
  if (!draft.cc.empty()) fields.push_back({"cc", JoinAddresses(draft.cc)});
  if (!draft.bcc.empty()) fields.push_back({"bcc", JoinAddresses(draft.bcc)});
  if (!draft.subject.empty()) fields.push_back({"subject", draft.subject});
  if (!draft.body.empty()) fields.push_back({"body", draft.html ? HtmlToText(draft.body) : draft.body});
  return BuildMailtoUrl(draft.to, fields);
}

std::optional<RunError> MailtoRefusal(std::string_view client_name, const MessageDraft& draft, bool sender_asked,
                                      std::size_t url_length, std::size_t max_length) {
  std::vector<std::string> missing;
  if (!draft.attachments.empty()) missing.push_back("załączników (" + std::to_string(draft.attachments.size()) + ")");
  if (sender_asked) missing.push_back("nadawcy");
  if (url_length > max_length) {
    missing.push_back("wiadomości tej długości (link miałby " + std::to_string(url_length) + " znaków, najwięcej " +
                      std::to_string(max_length) + ")");
  }
  if (missing.empty()) return std::nullopt;
  std::string what;
  for (std::size_t i = 0; i < missing.size(); ++i) {
    what += i == 0 ? "" : i + 1 == missing.size() ? " ani " : ", ";
    what += missing[i];
  }
  return RunError(errors::kCannotCreateObject, "Domyślny program pocztowy „" + std::string(client_name) +
                                                   "” przyjmuje wiadomość tylko jako link mailto:, a ten nie "
                                                   "przeniesie " +
                                                   what + ".");
}

}  // namespace wrenpost
