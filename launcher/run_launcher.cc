#include "launcher/run_launcher.h"

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "launcher/body_file.h"
#include "launcher/failure_report.h"
#include "options/parse_options.h"
#include "runlog/run_log.h"
#include "text/html.h"

namespace wrenpost {
namespace {

using Handle = std::unique_ptr<AutomationObject>;

constexpr std::int16_t kMailItem = 0;  // CreateItem's kind for a mail message
// A recipient's Type: a copy (Cc) or a blind copy (Bcc).
constexpr std::int32_t kCopyRecipient = 2;
constexpr std::int32_t kBlindCopyRecipient = 3;
// An item's BodyFormat: HTML or rich text (1 is plain text).
constexpr std::int32_t kHtmlFormat = 2;
constexpr std::int32_t kRichTextFormat = 3;

void Release(Handle& handle) {
  if (!handle) return;
  Handle released = std::move(handle);
  released->Release();
}

// `object`, when the server answered one: "Object required" when it did not.
Handle Required(Handle object, std::string_view what) {
  if (!object) {
    throw RunError(errors::kObjectRequired, "Wymagany obiekt: " + std::string(what) + " nie zwróciło obiektu.");
  }
  return object;
}

std::string TextOf(const AutomationValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  return std::to_string(std::get<std::int32_t>(value));
}

std::int32_t NumberOf(const AutomationValue& value, std::string_view member) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
  throw RunError(errors::kTypeMismatch, "Niezgodność typów: " + std::string(member) + " nie zwróciło liczby.");
}

// Account names are compared as Outlook shows them: ASCII letters in any case.
bool SameAccountName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// What the run holds of the mail client, let go of in reverse order: the
// collections, the item, then the application.
struct Handles {
  Handle client;       // the mail client's application object
  Handle item;         // the new message
  Handle attachments;  // its `Attachments`, fetched once for all files
  Handle recipients;   // its `Recipients`, fetched once for all addresses

  void ReleaseAll() {
    Release(attachments);
    Release(recipients);
    Release(item);
    Release(client);
  }
};

// The collection `member` of the item, fetched the first time it is needed.
AutomationObject& Collection(Handles& handles, Handle& collection, std::string_view member) {
  if (!collection) collection = Required(handles.item->GetProperty(member), member);
  return *collection;
}

// Adds `element` to a collection whose added object is not needed.
void Add(AutomationObject& collection, const std::string& element) {
  const AutomationArgument argument = element;
  collection.CallMethodWithoutResult("Add", {&argument, 1});
}

// Adds the copy or blind-copy recipients: each one is added, then its Type set.
void AddCopies(const TextList& addresses, std::string_view lead_in, std::int32_t type,
               const RunLog& log, Handles& handles) {
  if (CountItems(addresses) == 0) return;
  for (const std::string& address : *addresses) {
    log.WriteLogLine(lead_in, address);
    const AutomationArgument argument = address;
    Handle recipient = Required(
        Collection(handles, handles.recipients, "Recipients").CallMethod("Add", {&argument, 1}),
        "Recipients.Add");
    recipient->PutProperty("Type", AutomationArgument(type));
    Release(recipient);
  }
}

// The sender: the profile's account named `from` (by its display name first,
// which Outlook's security guard does not watch, then by its address), or,
// when none is, the mailbox the message is sent on behalf of. Every object of
// the lookup is let go of before the next step.
void SetSender(AutomationObject& client, AutomationObject& item, const std::string& from,
               const RunLog& log) {
  Handle session = Required(client.GetProperty("Session"), "Session");
  Handle accounts = Required(session->GetProperty("Accounts"), "Accounts");
  const std::int32_t count = NumberOf(accounts->ReadProperty("Count"), "Count");
  std::vector<Handle> listed;
  std::optional<std::size_t> chosen;
  for (std::int32_t i = 1; i <= count && !chosen; ++i) {
    const AutomationArgument index = i;
    listed.push_back(Required(accounts->CallMethod("Item", {&index, 1}), "Accounts.Item"));
    if (SameAccountName(TextOf(listed.back()->ReadProperty("DisplayName")), from)) chosen = listed.size() - 1;
  }
  for (std::size_t i = 0; i < listed.size() && !chosen; ++i) {
    if (SameAccountName(TextOf(listed[i]->ReadProperty("SmtpAddress")), from)) chosen = i;
  }
  if (chosen) {
    log.WriteLogLine("Konto nadawcy: ", from);
    // An object property is set by reference: a plain put is ignored.
    item.PutReference("SendUsingAccount", *listed[*chosen]);
  } else {
    log.WriteLogLine("Wysyłanie w imieniu: ", from);
    item.PutProperty("SentOnBehalfOfName", from);
  }
  for (auto account = listed.rbegin(); account != listed.rend(); ++account) Release(*account);
  Release(accounts);
  Release(session);
}

void LogBody(const MessageRequest& request, const RunLog& log) {
  log.WriteLogLine(request.html ? "Dodanie treści html: " : "Dodanie treści tekstowej: ", request.body);
}

// After `Display`: the body goes in ahead of the signature the mail client
// put into the still empty message, which keeps its formatting.
void AddBodyAboveSignature(AutomationObject& item, const MessageRequest& request) {
  if (!request.html) {
    const std::int32_t format = NumberOf(item.ReadProperty("BodyFormat"), "BodyFormat");
    if (format != kHtmlFormat && format != kRichTextFormat) {
      item.PutProperty("Body", request.body + "\r\n" + TextOf(item.ReadProperty("Body")));
      return;
    }
  }
  const std::string insertion = request.html ? request.body : TextAsHtmlParagraph(request.body);
  item.PutProperty("HtmlBody", InsertAfterBodyTag(TextOf(item.ReadProperty("HtmlBody")), insertion));
}

void FillAndShow(const Platform& platform, const RunLog& log, Handles& handles) {
  const std::string command_text = platform.process.CommandText();
  log.WriteLogLine("\r\n");
  log.WriteLogLine("Parametry: ", command_text);
  MessageRequest request = ParseOptions(command_text);

  if (!request.body_file_path.empty()) {
    // The file's content replaces the "body" option, even when it is empty.
    request.body = ReadBodyFile(platform.files, request.body_file_path);
    if (request.delete_body_file && platform.files.FileExists(request.body_file_path)) {
      platform.files.RemoveFile(request.body_file_path);
    }
  }

  handles.client = platform.automation.CreateObject("Outlook.Application");
  const AutomationArgument kind = kMailItem;
  handles.item = Required(handles.client->CallMethod("CreateItem", {&kind, 1}), "CreateItem");
  AutomationObject& item = *handles.item;

  // Before `Display`, so that the window shows the sender's own signature.
  if (!request.from.empty()) SetSender(*handles.client, item, request.from, log);
  if (!request.subject.empty()) {
    log.WriteLogLine("Dodanie tematu: ", request.subject);
    item.PutProperty("Subject", request.subject);
  }
  // The mail client puts the signature only into an empty body, when the
  // window opens: with -signature 1 the body waits until then.
  const bool body_after_display = request.signature && !request.body.empty();
  if (!request.body.empty() && !body_after_display) {
    LogBody(request, log);
    item.PutProperty(request.html ? "HtmlBody" : "Body", std::move(request.body));
  }
  if (CountItems(request.attachments) > 0) {
    for (const std::string& path : *request.attachments) {
      if (platform.files.FileExists(path)) {
        log.WriteLogLine("Dodanie załącznika: ", path);
        // The mail client opens the file from its own current folder: it is
        // handed the full path of what was found here.
        Add(Collection(handles, handles.attachments, "Attachments"), platform.files.FoundFilePath(path));
      } else {
        log.WriteLogLine("Plik " + path + " nie istnieje!");
      }
    }
    Release(handles.attachments);
  }
  log.WriteLogLine("Wyświetlenie okna nowej wiadomości.");
  item.AllowForeground();  // the compose window comes to the front, not behind the caller
  item.CallMethodWithoutResult("Display", {});
  if (body_after_display) {
    LogBody(request, log);
    AddBodyAboveSignature(item, request);
  }
  // Recipients go in after the window is shown.
  if (CountItems(request.recipients) > 0) {
    for (const std::string& address : *request.recipients) {
      log.WriteLogLine("Dodanie adresata: ", address);
      Add(Collection(handles, handles.recipients, "Recipients"), address);
    }
  }
  AddCopies(request.cc_recipients, "Dodanie adresata DW: ", kCopyRecipient, log, handles);
  AddCopies(request.bcc_recipients, "Dodanie adresata UDW: ", kBlindCopyRecipient, log, handles);
  handles.ReleaseAll();
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
  Handles handles;
  const std::optional<RunError> failure = Guarded([&] {
    const HostIdentity identity = QueryHostIdentity(platform.process);
    log = RunLog(platform.files, LogPath(identity));
    WriteRunHeader(log, identity, platform.clock, platform.names);
    FillAndShow(platform, log, handles);
    log.WriteLogLine("Koniec programu.");
  });
  if (!failure) return kExitSuccess;

  ReportFailure(*failure, log, platform.warning_box);
  // A shown compose window stays open; only the handles go. A run reports
  // one failure: a component that acts when released and fails again there
  // adds no second box.
  Guarded([&] { handles.ReleaseAll(); });
  return kExitFailure;
}

}  // namespace wrenpost
