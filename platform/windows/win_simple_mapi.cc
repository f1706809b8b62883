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

// Null for an empty text: "none" to Simple MAPI.
wchar_t* TextOrNull(std::wstring& text) { return text.empty() ? nullptr : text.data(); }

}  // namespace

SimpleMapi::SimpleMapi()
    : library_(LoadLibraryExW(L"mapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
  if (library_.get() == nullptr) {
    throw RunError(errors::kCannotCreateObject,
                   "Nie można załadować biblioteki Simple MAPI (mapi32.dll): " + SystemMessage(GetLastError()));
  }
  send_mail_ = GetProcAddress(library_.get(), "MAPISendMailW");
  if (send_mail_ == nullptr) {
    throw RunError(errors::kCannotCreateObject,
                   "Biblioteka Simple MAPI (mapi32.dll) nie ma funkcji MAPISendMailW (Windows 8 lub nowszy).");
  }
}

std::uint32_t SimpleMapi::SendMail(const MapiMessage& message, std::uint32_t flags) {
  std::wstring subject = Widen(message.subject), note_text = Widen(message.note_text);
  // The texts first, then the structures that point into them: no text moves after that.
  std::vector<std::wstring> texts;
  texts.reserve(message.recipients.size() * 2 + message.attachments.size() * 2);
  for (const MapiRecipient& recipient : message.recipients) {
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
  mapi_message.recipient_count = static_cast<ULONG>(recipients.size());
  mapi_message.recipients = recipients.empty() ? nullptr : recipients.data();
  mapi_message.file_count = static_cast<ULONG>(files.size());
  mapi_message.files = files.empty() ? nullptr : files.data();
  const auto send = reinterpret_cast<SendMailW>(reinterpret_cast<void*>(send_mail_));
  return send(0, 0, &mapi_message, flags, 0);
}

}  // namespace wrenpost
