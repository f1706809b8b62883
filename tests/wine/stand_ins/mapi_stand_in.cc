// A stand-in Simple MAPI provider, registered as the default mail client's
// DLLPath: mapi32.dll loads it and hands it MAPISendMailW. It records every
// call to mapi_calls.txt beside itself, one block per call:
//   MAPISendMailW provider=<32|64>-bit session=<n> parent=<n> flags=0x<hex>
//   recipient class=<n> name="..." address="..."|null      (each, in order)
//   originator=null|"..."
//   subject="..."|null
//   body="..."|null
//   file path="..." name="..."|null position=<n>           (each, in order)
//   answer <code>
// Built with WRENPOST_ANSI_ONLY it is a mapi32.dll of Windows 7 instead,
// exporting only MAPISendMail (texts in the ANSI code page, recorded as
// UTF-8), its head line "MAPISendMail provider=...".
// It answers what mapi_control.txt (beside itself) says for those flags,
// one line each: "<flags in hex> <code>" (a client that refuses the modeless
// window, a user who closes it, a failure); 0 otherwise.
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "stand_in_record.h"

namespace {

using wrenpost::wine_test::AppendUtf8Line;
using wrenpost::wine_test::FolderOf;
using wrenpost::wine_test::Quoted;
using wrenpost::wine_test::ReadWholeFile;

// As the callers of Simple MAPI lay them out (Windows' mapi.h), written out
// here on their own so that a wrong layout on the program's side shows.
#ifdef WRENPOST_ANSI_ONLY
using Text = char*;
constexpr const char* kEntry = "MAPISendMail";
// An ANSI text as the wide one the record takes.
std::wstring Wide(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  return wide;
}
std::string Quoted(const char* text) { return text == nullptr ? "null" : Quoted(Wide(text).c_str()); }
#else
using Text = wchar_t*;
constexpr const char* kEntry = "MAPISendMailW";
#endif

struct Recipient {
  ULONG reserved;
  ULONG recipient_class;
  Text name;
  Text address;
  ULONG entry_id_size;
  void* entry_id;
};
struct File {
  ULONG reserved;
  ULONG flags;
  ULONG position;
  Text path_name;
  Text file_name;
  void* file_type;
};
struct Message {
  ULONG reserved;
  Text subject;
  Text note_text;
  Text message_type;
  Text date_received;
  Text conversation_id;
  ULONG flags;
  Recipient* originator;
  ULONG recipient_count;
  Recipient* recipients;
  ULONG file_count;
  File* files;
};

ULONG Answer(const std::wstring& folder, ULONG flags) {
  std::istringstream lines(ReadWholeFile(folder + L"mapi_control.txt"));
  std::string flags_text;
  ULONG code = 0;
  while (lines >> flags_text >> code) {
    if (std::stoul(flags_text, nullptr, 16) == flags) return code;
  }
  return 0;
}

}  // namespace

#ifdef WRENPOST_ANSI_ONLY
#define WRENPOST_SEND_MAIL MAPISendMail
#else
#define WRENPOST_SEND_MAIL MAPISendMailW
#endif

extern "C" __declspec(dllexport) ULONG WINAPI WRENPOST_SEND_MAIL(ULONG_PTR session, ULONG_PTR parent, Message* message,
                                                                 ULONG flags, ULONG) {
  // Where the other stand-ins record (this one may be copied into the system folder).
  const std::wstring folder = L"C:\\wrenpost-tools\\";
  const std::wstring record = folder + L"mapi_calls.txt";
  char head[160];
  std::snprintf(head, sizeof head, "%s provider=%d-bit session=%lu parent=%lu flags=0x%08lX", kEntry,
                static_cast<int>(sizeof(void*) * 8), static_cast<unsigned long>(session),
                static_cast<unsigned long>(parent), flags);
  AppendUtf8Line(record, head);
  for (ULONG i = 0; i < message->recipient_count; ++i) {
    const Recipient& r = message->recipients[i];
    AppendUtf8Line(record, "recipient class=" + std::to_string(r.recipient_class) + " name=" + Quoted(r.name) +
                               " address=" + Quoted(r.address));
  }
  AppendUtf8Line(record, "originator=" + (message->originator == nullptr ? std::string("null")
                                                                          : Quoted(message->originator->address)));
  AppendUtf8Line(record, "subject=" + Quoted(message->subject));
  AppendUtf8Line(record, "body=" + Quoted(message->note_text));
  for (ULONG i = 0; i < message->file_count; ++i) {
    const File& f = message->files[i];
    AppendUtf8Line(record, "file path=" + Quoted(f.path_name) + " name=" + Quoted(f.file_name) +
                               " position=" + std::to_string(static_cast<long>(f.position)));
  }
  const ULONG code = Answer(folder, flags);
  AppendUtf8Line(record, "answer " + std::to_string(code));
  return code;
}
