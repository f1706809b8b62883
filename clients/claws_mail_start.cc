// Claws Mail: "--compose" with a mailto: URL, then "--attach" and the paths.
//
// A Claws Mail that already runs gets the request over its control socket,
// one line each: "compose_attach <URL>", then "attach <path>" per file. So no
// line break may reach it raw, and no line may outgrow its buffer. When a
// path holds a line break, every path goes in the URL's attach= keys instead
// (percent-encoded, order kept); there Claws Mail refuses a path holding
// "../", ".ssh/", ".gnupg/", "/etc/passwd" or "/etc/shadow", which is then
// reported rather than dropped. A body too long for the line goes as the
// URL's insert= key: a file Claws Mail reads into the body. `from` picks the
// account of that address.
#include <algorithm>
#include <array>

#include "clients/client_start.h"
#include "clients/mailto_url.h"
#include "errors/run_error.h"

namespace wrenpost {
namespace {

constexpr std::string_view kMailto = "mailto:";

bool TravelsAsLine(const std::string& path) {
  return path.find_first_of("\r\n") == std::string::npos && path.size() + 8 <= kClawsMaxRequestLine;
}

void RefuseWhatClawsRefuses(const std::string& path) {
  constexpr std::array<std::string_view, 5> kRefused = {".gnupg/", "/etc/passwd", "/etc/shadow", ".ssh/", "../"};
  for (const std::string_view part : kRefused) {
    if (path.find(part) == std::string::npos) continue;
    throw RunError(errors::kInvalidCall,
                   "Program Claws Mail nie dołączy pliku „" + path +
                       "”: ścieżka zawiera znak końca wiersza, więc musi trafić do adresu mailto:, a tam program "
                       "odrzuca ścieżki zawierające „" + std::string(part) + "”.");
  }
}

}  // namespace

std::vector<std::string> ClawsMailArguments(const MessageDraft& draft, const std::string& body,
                                            const std::optional<std::string>& body_file) {
  std::vector<MailtoField> fields = MessageFields(draft.cc, draft.bcc, draft.subject, body_file ? "" : body);
  if (body_file) fields.push_back({"insert", *body_file, true});
  if (!draft.from.empty()) fields.push_back({"from", draft.from});
  const bool as_lines = std::all_of(draft.attachments.begin(), draft.attachments.end(), TravelsAsLine);
  if (!as_lines) {
    for (const std::string& path : draft.attachments) {
      RefuseWhatClawsRefuses(path);
      fields.push_back({"attach", path, true});
    }
  }
  std::vector<std::string> arguments = {"--compose", BuildMailtoUrl(draft.to, fields)};
  if (as_lines && !draft.attachments.empty()) {
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
