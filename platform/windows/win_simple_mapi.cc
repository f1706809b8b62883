#include "platform/windows/win_simple_mapi.h"

#include <string>
#include <vector>

#include "errors/run_error.h"
#include "platform/windows/win_text.h"

namespace wrenpost {
namespace {

// The structures of MAPISendMailW (Char = wchar_t) and of MAPISendMail (char,
// its texts in the ANSI code page), as Windows' mapi.h lays them out.
template <class Char>
struct Recipient {
  ULONG reserved;
  ULONG recipient_class;
  Char* name;
  Char* address;
  ULONG entry_id_size;
  void* entry_id;
};

template <class Char>
struct File {
  ULONG reserved;
  ULONG flags;
  ULONG position;
  Char* path_name;
  Char* file_name;
  void* file_type;
};

template <class Char>
struct Message {
  ULONG reserved;
  Char* subject;
  Char* note_text;
  Char* message_type;
  Char* date_received;
  Char* conversation_id;
  ULONG flags;
  Recipient<Char>* originator;
  ULONG recipient_count;
  Recipient<Char>* recipients;
  ULONG file_count;
  File<Char>* files;
};

template <class Char>
using SendMailOf = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR parent, Message<Char>* message, ULONG flags,
                                  ULONG reserved);

// Null for an empty text: "none" to Simple MAPI.
template <class Char>
Char* TextOrNull(std::basic_string<Char>& text) {
  return text.empty() ? nullptr : text.data();
}

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

namespace {

// Calls `send_mail` (MAPISendMailW or MAPISendMail) with `message`, its texts
// made by `convert` (UTF-8 to the entry's own characters).
template <class Char, class Convert>
std::uint32_t SendWith(FARPROC send_mail, const MapiMessage& message, std::uint32_t flags, Convert convert) {
  std::basic_string<Char> subject = convert(message.subject), note_text = convert(message.note_text);
  // The texts first, then the structures that point into them: no text moves after that.
  std::vector<std::basic_string<Char>> texts;
  texts.reserve((message.recipients.size() + message.originator.size() + message.attachments.size()) * 2);
  const auto people = {&message.recipients, &message.originator};
  for (const auto* list : people) {
    for (const MapiRecipient& recipient : *list) {
      texts.push_back(convert(recipient.name));
      texts.push_back(convert(recipient.address));
    }
  }
  for (const MapiAttachment& attachment : message.attachments) {
    texts.push_back(convert(attachment.path));
    texts.push_back(convert(attachment.name));
  }
  std::size_t text = 0;
  std::vector<Recipient<Char>> recipients, originator;
  for (const auto* list : people) {
    for (const MapiRecipient& recipient : *list) {
      Char* name = TextOrNull(texts[text++]);
      Char* address = TextOrNull(texts[text++]);
      (list == &message.recipients ? recipients : originator)
          .push_back({0, recipient.recipient_class, name, address, 0, nullptr});
    }
  }
  std::vector<File<Char>> files;
  for (std::size_t i = 0; i < message.attachments.size(); ++i) {
    Char* path = texts[text++].data();
    // Never null: some clients fail a modeless call for a file without a name.
    Char* name = texts[text++].data();
    files.push_back({0, 0, static_cast<ULONG>(-1), path, name, nullptr});
  }
  Message<Char> mapi_message{};
  mapi_message.subject = TextOrNull(subject);
  mapi_message.note_text = TextOrNull(note_text);
  mapi_message.originator = originator.empty() ? nullptr : originator.data();
  mapi_message.recipient_count = static_cast<ULONG>(recipients.size());
  mapi_message.recipients = recipients.empty() ? nullptr : recipients.data();
  mapi_message.file_count = static_cast<ULONG>(files.size());
  mapi_message.files = files.empty() ? nullptr : files.data();
  const auto send = reinterpret_cast<SendMailOf<Char>>(reinterpret_cast<void*>(send_mail));
  return send(0, 0, &mapi_message, flags, 0);
}

}  // namespace

std::uint32_t SimpleMapi::SendMail(const MapiMessage& message, std::uint32_t flags) {
  if (wide_) return SendWith<wchar_t>(send_mail_, message, flags, [](const std::string& text) { return Widen(text); });
  return SendWith<char>(send_mail_, message, flags, [](const std::string& text) { return Ansi(text); });
}

}  // namespace wrenpost
