#include "launcher/run_launcher.h"

#include <memory>
#include <new>
#include <optional>
#include <string>

#include "clients/client_name.h"
#include "clients/client_start.h"
#include "launcher/body_file.h"
#include "launcher/draft_target.h"
#include "launcher/failure_report.h"
#include "launcher/outlook_target.h"
#include "options/parse_options.h"
#include "runlog/run_log.h"

namespace wrenpost {
namespace {

void LogBody(const MessageRequest& request, const RunLog& log) {
  log.WriteLogLine(request.html ? "Dodanie treści html: " : "Dodanie treści tekstowej: ", request.body);
}

ClientName ChosenClient(const MessageRequest& request, const MailClients& clients) {
  const std::optional<ClientName> named = ParseClientName(request.client);
  if (!named) {
    throw RunError(errors::kInvalidCall, "Nieznany program pocztowy w opcji -client: „" + request.client +
                                             "”. Dozwolone nazwy: " + std::string(KnownClientNames()) + ".");
  }
  return *named == ClientName::kDefault ? clients.DefaultChoice() : *named;
}

// The full path of the Outlook template the message starts from ("" for
// none), after the entry that names it as written. A template that is not
// there ends the run before any mail client is asked: the caller wants that
// letterhead, not an empty message.
std::string FindTemplate(const MessageRequest& request, FileSystem& files, const RunLog& log) {
  if (request.template_path.empty()) return {};
  log.WriteLogLine("Szablon wiadomości: ", request.template_path);
  if (!files.FileExists(request.template_path)) {
    throw RunError(errors::kFileNotFound, "Nie znaleziono pliku szablonu: " + request.template_path);
  }
  return files.FoundFilePath(request.template_path);
}

// The client's plain name in a description such as "Thunderbird (snap)".
std::string PlainClientName(const std::string& description) {
  const std::size_t qualifier = description.rfind(" (");
  return qualifier != std::string::npos && description.ends_with(")") ? description.substr(0, qualifier) : description;
}

// Outlook's application object when `client` goes to Outlook: required for
// kOutlook, where it is registered for kAuto; null otherwise.
std::unique_ptr<AutomationObject> OutlookFor(ClientName client, const Platform& platform) {
  if (client == ClientName::kOutlook) return platform.automation.CreateObject(kOutlookProgId);
  if (client == ClientName::kAuto) return platform.automation.CreateObjectIfRegistered(kOutlookProgId);
  return nullptr;
}

// Outlook's application object for a run with a template, obtained before
// the body file is touched: no other client starts from Outlook's templates
// (an empty message in their place would be half of what the caller asked
// for), so a run that cannot reach Outlook ends here with the file in place.
std::unique_ptr<AutomationObject> OutlookForTemplate(const MessageRequest& request, const Platform& platform) {
  const ClientName client = ChosenClient(request, platform.mail_clients);
  if (std::unique_ptr<AutomationObject> outlook = OutlookFor(client, platform)) return outlook;
  throw RunError(errors::kInvalidCall,
                 "Wiadomość z szablonu MS Outlook (-template) otworzy tylko MS Outlook" +
                     (client == ClientName::kAuto ? std::string(", którego nie ma w systemie.")
                                                  : ", a wybrano program pocztowy " +
                                                        std::string(ClientNameText(client)) + "."));
}

// The mail client the message goes to: Outlook through automation, or a
// client that takes the whole draft, named in the log right after the
// command text. `target` owns what is held from the moment it is obtained,
// so that a failure lets go of it too. `mail_client`: the client a failure
// box names off Outlook's route (as FailureBoxText takes it).
void OpenTarget(const MessageRequest& request, const Platform& platform, const RunLog& log,
                std::unique_ptr<ComposeTarget>& target, std::optional<std::string>& mail_client) {
  const ClientName client = ChosenClient(request, platform.mail_clients);
  if (std::unique_ptr<AutomationObject> outlook = OutlookFor(client, platform)) {
    auto outlook_target = std::make_unique<OutlookTarget>(std::move(outlook));
    OutlookTarget& item = *outlook_target;
    target = std::move(outlook_target);
    item.CreateItem({});
    return;
  }
  const ClientTraits* asked = TraitsOf(client);
  mail_client = asked != nullptr ? std::string(asked->shown_name) : std::string();
  std::unique_ptr<DraftClient> draft_client = platform.mail_clients.Find(client);
  mail_client = PlainClientName(draft_client->Description());
  if (const std::string note = draft_client->RouteNote(); !note.empty()) log.WriteLogLine(note);
  log.WriteLogLine("Program pocztowy: ", draft_client->Description());
  target = std::make_unique<DraftTarget>(std::move(draft_client), log);
}

void FillAndShow(const Platform& platform, const RunLog& log, std::unique_ptr<ComposeTarget>& target,
                 std::optional<std::string>& mail_client) {
  const std::string command_text = platform.process.CommandText();
  log.WriteLogLine("\r\n");
  log.WriteLogLine("Parametry: ", command_text);
  MessageRequest request = ParseOptions(command_text);
  // Before the body file is read: a template that cannot be used leaves it in place.
  const std::string template_file = FindTemplate(request, platform.files, log);
  OutlookTarget* template_item = nullptr;
  if (!template_file.empty()) {
    auto outlook_target = std::make_unique<OutlookTarget>(OutlookForTemplate(request, platform));
    template_item = outlook_target.get();
    target = std::move(outlook_target);
  }

  if (!request.body_file_path.empty()) {
    // The file's content replaces the "body" option, even when it is empty.
    request.body = ReadBodyFile(platform.files, request.body_file_path);
    if (request.delete_body_file && platform.files.FileExists(request.body_file_path)) {
      platform.files.RemoveFile(request.body_file_path);
    }
  }

  if (template_item != nullptr) {
    template_item->CreateItem(template_file);
  } else {
    OpenTarget(request, platform, log, target, mail_client);
  }
  ComposeTarget& message = *target;
  // Before `Display`, so that the window shows the sender's own signature.
  if (!request.from.empty()) message.SetSender(request.from, log);
  if (!request.subject.empty()) {
    log.WriteLogLine("Dodanie tematu: ", request.subject);
    message.SetSubject(request.subject);
  }
  // The mail client puts the signature only into an empty body, when the
  // window opens: with -signature 1 the body waits until then.
  const bool body_after_display = request.signature && !request.body.empty();
  if (!request.body.empty() && !body_after_display) {
    LogBody(request, log);
    message.SetBody(std::move(request.body), request.html);
  }
  if (CountItems(request.attachments) > 0) {
    for (const std::string& path : *request.attachments) {
      if (platform.files.FileExists(path)) {
        log.WriteLogLine("Dodanie załącznika: ", path);
        // The mail client opens the file from its own current folder: it is
        // handed the full path of what was found here.
        message.AddAttachment(platform.files.FoundFilePath(path));
      } else {
        log.WriteLogLine("Plik " + path + " nie istnieje!");
      }
    }
  }
  log.WriteLogLine("Wyświetlenie okna nowej wiadomości.");
  message.Display();
  if (body_after_display) {
    LogBody(request, log);
    message.PutBodyAboveSignature(request.body, request.html);
  }
  // Recipients go in after the window is shown.
  const auto add_all = [&](const TextList& addresses, const char* lead_in, RecipientKind kind) {
    if (CountItems(addresses) == 0) return;
    for (const std::string& address : *addresses) {
      log.WriteLogLine(lead_in, address);
      message.AddRecipient(address, kind);
    }
  };
  add_all(request.recipients, "Dodanie adresata: ", RecipientKind::kTo);
  add_all(request.cc_recipients, "Dodanie adresata DW: ", RecipientKind::kCc);
  add_all(request.bcc_recipients, "Dodanie adresata UDW: ", RecipientKind::kBcc);
  message.Finish();
}

// Runs `step` and hands back whatever it raised as the error the failure
// report shows: out of memory as error 7, anything else unforeseen as 51.
template <typename Step>
std::optional<RunError> Guarded(Step&& step) {
  try {
    step();
    return std::nullopt;
  } catch (const RunError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return RunError(errors::kOutOfMemory);
  } catch (const std::exception& error) {
    return RunError(errors::kInternalError, error.what());
  } catch (...) {
    return RunError(errors::kInternalError, "Nieznany błąd.");
  }
}

}  // namespace

int RunLauncher(const Platform& platform) {
  RunLog log(platform.files, {});  // nowhere to write until the program's folder is known
  std::unique_ptr<ComposeTarget> target;
  std::optional<std::string> mail_client;  // none: Outlook's automation
  const std::optional<RunError> failure = Guarded([&] {
    const HostIdentity identity = QueryHostIdentity(platform.process);
    log = RunLog(platform.files, LogPath(identity));
    WriteRunHeader(log, identity, platform.clock, platform.names);
    FillAndShow(platform, log, target, mail_client);
    log.WriteLogLine("Koniec programu.");
  });
  if (!failure) return kExitSuccess;

  ReportFailure(*failure, log, platform.warning_box, mail_client);
  // A shown compose window stays open; only the handles go. A run reports
  // one failure: a component that acts when released and fails again there
  // adds no second box.
  Guarded([&] {
    if (target) target->Release();
  });
  return kExitFailure;
}

}  // namespace wrenpost
