// Claws Mail: "--compose" with a mailto: URL, then "--attach" and the paths.
//
// A Claws Mail that already runs gets the request over its control socket,
// one line each: "compose_attach <URL>", then "attach <path>" per file. So no
// line break may reach it raw, and no line may outgrow its buffer: the URL
// is percent-encoded, and a path it cannot carry (CarriesPath) reaches this
// code only as a private copy under a name it can. The files always go after
// "--attach": repeated attach= keys in the URL lose every file but none. A
// body too long for the line goes as the URL's insert= key: a file Claws
// Mail reads into the body. `from` picks the account of that address.
#include "clients/client_start.h"
#include "clients/mailto_url.h"

namespace wrenpost {
namespace {

constexpr std::string_view kMailto = "mailto:";

}  // namespace

std::vector<std::string> ClawsMailArguments(const MessageDraft& draft, const std::string& body,
                                            const std::optional<std::string>& body_file) {
  std::vector<MailtoField> fields = MessageFields(draft.cc, draft.bcc, draft.subject, body_file ? "" : body);
  if (body_file) fields.push_back({"insert", *body_file, true});
  if (!draft.from.empty()) fields.push_back({"from", draft.from});
  std::vector<std::string> arguments = {"--compose", BuildMailtoUrl(draft.to, fields)};
  if (!draft.attachments.empty()) {
    arguments.push_back("--attach");
    arguments.insert(arguments.end(), draft.attachments.begin(), draft.attachments.end());
  }
  return arguments;
}

std::size_t ClawsMailRequestLine(const std::vector<std::string>& arguments) {
  // "compose_attach <URL without mailto:>\n" with files, "compose <...>\n" without.
  const bool files = arguments.size() > 2;
  const std::size_t url = arguments.size() > 1 ? arguments[1].size() - kMailto.size() : 0;
  return (files ? 15 : 8) + url + 1;
}

}  // namespace wrenpost
