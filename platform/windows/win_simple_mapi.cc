#include "platform/windows/win_simple_mapi.h"

#include <string>
#include <vector>

#include "errors/run_error.h"
#include "platform/windows/win_text.h"

namespace wrenpost {
namespace {

// The structures of MAPISendMailW, as Windows' mapi.h lays them out.
struct RecipientW {
  ULONG reserved;
  ULONG recipient_class;
  wchar_t* name;
  wchar_t* address;
  ULONG entry_id_size;
  void* entry_id;
};

struct FileW {
  ULONG reserved;
  ULONG flags;
  ULONG position;
  wchar_t* path_name;
  wchar_t* file_name;
  void* file_type;
};

struct MessageW {
  ULONG reserved;
  wchar_t* subject;
  wchar_t* note_text;
  wchar_t* message_type;
  wchar_t* date_received;
  wchar_t* conversation_id;
  ULONG flags;
  RecipientW* originator;
  ULONG recipient_count;
  RecipientW* recipients;
  ULONG file_count;
  FileW* files;
};

using SendMailW = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR parent, MessageW* message, ULONG flags,
                                 ULONG reserved);

// The same of MAPISendMail, its texts in the ANSI code page.
struct RecipientA {
  ULONG reserved;
  ULONG recipient_class;
  char* name;
  char* address;
  ULONG entry_id_size;
  void* entry_id;
};

struct FileA {
  ULONG reserved;
  ULONG flags;
  ULONG position;
  char* path_name;
  char* file_name;
  void* file_type;
};

struct MessageA {
  ULONG reserved;
  char* subject;
  char* note_text;
  char* message_type;
  char* date_received;
  char* conversation_id;
  ULONG flags;
  RecipientA* originator;
  ULONG recipient_count;
  RecipientA* recipients;
  ULONG file_count;
  FileA* files;
};

using SendMailA = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR parent, MessageA* message, ULONG flags,
                                 ULONG reserved);

// Null for an empty text: "none" to Simple MAPI.
wchar_t* TextOrNull(std::wstring& text) { return text.empty() ? nullptr : text.data(); }
char* TextOrNull(std::string& text) { return text.empty() ? nullptr : text.data(); }

// `text` in the ANSI code page; a character it lacks becomes its best fit or '?'.
std::string Ansi(const std::string& text) {
  const std::wstring wide = Widen(text);
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), length, nullptr, nullptr);
  return out;
}

}  // namespace

SimpleMapi::SimpleMapi()
    : library_(LoadLibraryExW(L"mapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
  if (library_.get() == nullptr) {
    throw RunError(errors::kCannotCreateObject,
                   "Nie można załadować biblioteki Simple MAPI (mapi32.dll): " + SystemMessage(GetLastError()));
  }
  send_mail_ = GetProcAddress(library_.get(), "MAPISendMailW");
  if (send_mail_ == nullptr) {
    // Windows 7 and earlier: the ANSI entry only.
    wide_ = false;
    send_mail_ = GetProcAddress(library_.get(), "MAPISendMail");
  }
  if (send_mail_ == nullptr) {
    throw RunError(errors::kCannotCreateObject,
                   "Biblioteka Simple MAPI (mapi32.dll) nie ma funkcji MAPISendMailW ani MAPISendMail.");
  }
}

std::uint32_t SimpleMapi::SendMailAnsi(const MapiMessage& message, std::uint32_t flags) {
  std::string subject = Ansi(message.subject), note_text = Ansi(message.note_text);
  // The texts first, then the structures that point into them.
  std::vector<std::string> texts;
  const auto people = {&message.recipients, &message.originator};
  for (const auto* list : people) {
    for (const MapiRecipient& recipient : *list) {
      texts.push_back(Ansi(recipient.name));
      texts.push_back(Ansi(recipient.address));
    }
  }
  for (const MapiAttachment& attachment : message.attachments) {
    texts.push_back(Ansi(attachment.path));
    texts.push_back(Ansi(attachment.name));
  }
  std::size_t text = 0;
  std::vector<RecipientA> recipients, originator;
  for (const auto* list : people) {
    for (const MapiRecipient& recipient : *list) {
      char* name = TextOrNull(texts[text++]);
      char* address = TextOrNull(texts[text++]);
      (list == &message.recipients ? recipients : originator)
          .push_back({0, recipient.recipient_class, name, address, 0, nullptr});
    }
  }
  std::vector<FileA> files;
  for (std::size_t i = 0; i < message.attachments.size(); ++i) {
    char* path = texts[text++].data();
    char* name = texts[text++].data();
    files.push_back({0, 0, static_cast<ULONG>(-1), path, name, nullptr});
  }
  MessageA mapi_message{};
  mapi_message.subject = TextOrNull(subject);
  mapi_message.note_text = TextOrNull(note_text);
  mapi_message.originator = originator.empty() ? nullptr : originator.data();
  mapi_message.recipient_count = static_cast<ULONG>(recipients.size());
  mapi_message.recipients = recipients.empty() ? nullptr : recipients.data();
  mapi_message.file_count = static_cast<ULONG>(files.size());
  mapi_message.files = files.empty() ? nullptr : files.data();
  const auto send = reinterpret_cast<SendMailA>(reinterpret_cast<void*>(send_mail_));
  return send(0, 0, &mapi_message, flags, 0);
}

std::uint32_t SimpleMapi::SendMail(const MapiMessage& message, std::uint32_t flags) {
  if (!wide_) return SendMailAnsi(message, flags);
  std::wstring subject = Widen(message.subject), note_text = Widen(message.note_text);
  // The texts first, then the structures that point into them: no text moves after that.
  std::vector<std::wstring> texts;
  texts.reserve((message.recipients.size() + message.originator.size() + message.attachments.size()) * 2);
  for (const MapiRecipient& recipient : message.recipients) {
    texts.push_back(Widen(recipient.name));
    texts.push_back(Widen(recipient.address));
  }
  for (const MapiRecipient& recipient : message.originator) {
    texts.push_back(Widen(recipient.name));
    texts.push_back(Widen(recipient.address));
  }
  for (const MapiAttachment& attachment : message.attachments) {
    texts.push_back(Widen(attachment.path));
    texts.push_back(Widen(attachment.name));
  }
  std::vector<RecipientW> recipients;
  std::size_t text = 0;
  for (const MapiRecipient& recipient : message.recipients) {
    wchar_t* name = TextOrNull(texts[text++]);
    wchar_t* address = TextOrNull(texts[text++]);
    recipients.push_back({0, recipient.recipient_class, name, address, 0, nullptr});
  }
  std::vector<RecipientW> originator;
  for (const MapiRecipient& recipient : message.originator) {
    wchar_t* name = TextOrNull(texts[text++]);
    wchar_t* address = TextOrNull(texts[text++]);
    originator.push_back({0, recipient.recipient_class, name, address, 0, nullptr});
  }
  std::vector<FileW> files;
  for (std::size_t i = 0; i < message.attachments.size(); ++i) {
    wchar_t* path = texts[text++].data();
    // Never null: some clients fail a modeless call for a file without a name.
    wchar_t* name = texts[text++].data();
    files.push_back({0, 0, static_cast<ULONG>(-1), path, name, nullptr});
  }
  MessageW mapi_message{};
  mapi_message.subject = TextOrNull(subject);
  mapi_message.note_text = TextOrNull(note_text);
  mapi_message.originator = originator.empty() ? nullptr : originator.data();
  mapi_message.recipient_count = static_cast<ULONG>(recipients.size());
  mapi_message.recipients = recipients.empty() ? nullptr : recipients.data();
  mapi_message.file_count = static_cast<ULONG>(files.size());
  mapi_message.files = files.empty() ? nullptr : files.data();
  const auto send = reinterpret_cast<SendMailW>(reinterpret_cast<void*>(send_mail_));
  return send(0, 0, &mapi_message, flags, 0);
}

}  // namespace wrenpost
