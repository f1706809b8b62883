#include "launcher/run_launcher.h"

#include <memory>
#include <new>
#include <optional>
#include <string>

#include "launcher/body_file.h"
#include "launcher/failure_report.h"
#include "options/parse_options.h"
#include "runlog/run_log.h"

namespace wrenpost {
namespace {

using Handle = std::unique_ptr<AutomationObject>;

constexpr std::int16_t kMailItem = 0;  // CreateItem's kind for a mail message
// A recipient's Type: a copy (Cc) or a blind copy (Bcc).
constexpr std::int32_t kCopyRecipient = 2;
constexpr std::int32_t kBlindCopyRecipient = 3;

void Release(Handle& handle) {
  if (!handle) return;
  Handle released = std::move(handle);
  released->Release();
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
  if (!collection) collection = handles.item->GetProperty(member);
  return *collection;
}

Handle Add(AutomationObject& collection, const std::string& element) {
  const AutomationArgument argument = element;
  return collection.CallMethod("Add", {&argument, 1});
}

// Adds the copy or blind-copy recipients: each one is added, then its Type set.
void AddCopies(const TextList& addresses, std::string_view lead_in, std::int32_t type,
               const RunLog& log, Handles& handles) {
  if (CountItems(addresses) == 0) return;
  for (const std::string& address : *addresses) {
    log.WriteLogLine(lead_in, address);
    Handle recipient = Add(Collection(handles, handles.recipients, "Recipients"), address);
    if (!recipient) throw RunError(errors::kInternalError, "Recipients.Add nie zwróciło adresata.");
    recipient->PutProperty("Type", AutomationArgument(type));
    Release(recipient);
  }
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
  handles.item = handles.client->CallMethod("CreateItem", {&kind, 1});
  if (!handles.item) throw RunError(errors::kInternalError, "CreateItem nie zwróciło wiadomości.");
  AutomationObject& item = *handles.item;

  if (!request.subject.empty()) {
    log.WriteLogLine("Dodanie tematu: ", request.subject);
    item.PutProperty("Subject", request.subject);
  }
  if (!request.body.empty()) {
    if (request.html) {
      log.WriteLogLine("Dodanie treści html: ", request.body);
      item.PutProperty("HtmlBody", std::move(request.body));
    } else {
      log.WriteLogLine("Dodanie treści tekstowej: ", request.body);
      item.PutProperty("Body", std::move(request.body));
    }
  }
  if (CountItems(request.attachments) > 0) {
    for (const std::string& path : *request.attachments) {
      if (platform.files.FileExists(path)) {
        log.WriteLogLine("Dodanie załącznika: ", path);
        // The mail client opens the file from its own current folder: it is
        // handed the full path of what was found here.
        Add(Collection(handles, handles.attachments, "Attachments"), platform.files.FullPath(path));
      } else {
        log.WriteLogLine("Plik " + path + " nie istnieje!");
      }
    }
    Release(handles.attachments);
  }
  log.WriteLogLine("Wyświetlenie okna nowej wiadomości.");
  item.CallMethod("Display", {});
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
  // A shown compose window stays open; only the handles go. A component that
  // acts when it is released can still fail here, and is reported too.
  if (const std::optional<RunError> release_failure = Guarded([&] { handles.ReleaseAll(); })) {
    ReportFailure(*release_failure, log, platform.warning_box);
  }
  return kExitFailure;
}

}  // namespace wrenpost
