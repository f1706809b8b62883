#include "launcher/run_launcher.h"

#include <memory>
#include <new>
#include <string>

#include "launcher/body_file.h"
#include "launcher/failure_report.h"
#include "options/parse_options.h"
#include "runlog/run_log.h"

namespace wrenpost {
namespace {

using Handle = std::unique_ptr<AutomationObject>;

// VB-style numbers for failures that are not the platform's own.
constexpr std::int32_t kOutOfMemory = 7;
constexpr std::int32_t kInternalError = 51;

constexpr std::int16_t kMailItem = 0;  // CreateItem's kind for a mail message

void Release(Handle& handle) {
  if (!handle) return;
  Handle released = std::move(handle);
  released->Release();
}

// Adds one element to a collection property (`Attachments`, `Recipients`).
void AddTo(AutomationObject& item, std::string_view collection, const std::string& element) {
  Handle list = item.GetProperty(collection);
  const AutomationArgument argument = element;
  list->CallMethod("Add", {&argument, 1});  // the added object itself is not needed
}

struct Handles {
  Handle client;  // the mail client's application object
  Handle item;    // the new message

  void ReleaseAll() {
    Release(item);  // the item first, then the application
    Release(client);
  }
};

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
  if (!handles.item) throw RunError(kInternalError, "CreateItem nie zwróciło wiadomości.");
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
        AddTo(item, "Attachments", path);
      } else {
        log.WriteLogLine("Plik " + path + " nie istnieje!");
      }
    }
  }
  log.WriteLogLine("Wyświetlenie okna nowej wiadomości.");
  item.CallMethod("Display", {});
  // Recipients go in after the window is shown.
  if (CountItems(request.recipients) > 0) {
    for (const std::string& address : *request.recipients) {
      log.WriteLogLine("Dodanie adresata: ", address);
      AddTo(item, "Recipients", address);
    }
  }
  handles.ReleaseAll();
}

}  // namespace

int RunLauncher(const Platform& platform) {
  const HostIdentity identity = QueryHostIdentity(platform.process);
  const RunLog log(platform.files, LogPath(identity));
  Handles handles;
  RunError failure(0, {});
  try {
    WriteRunHeader(log, identity, platform.clock, platform.names);
    FillAndShow(platform, log, handles);
    log.WriteLogLine("Koniec programu.");
    return kExitSuccess;
  } catch (const RunError& error) {
    failure = error;
  } catch (const std::bad_alloc&) {
    failure = RunError(kOutOfMemory, "Za mało pamięci.");
  } catch (const std::exception& error) {
    failure = RunError(kInternalError, error.what());
  }
  ReportFailure(failure, log, platform.warning_box);
  // A shown compose window stays open; only the handles go.
  try {
    handles.ReleaseAll();
  } catch (const RunError& error) {
    ReportFailure(error, log, platform.warning_box);
  } catch (...) {
  }
  return kExitFailure;
}

}  // namespace wrenpost
