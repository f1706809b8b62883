// Simple MAPI: mapi32.dll's MAPISendMailW, looked up when the run needs it
// (never imported: a system without it still starts the program), else its
// MAPISendMail with the texts in the ANSI code page (Windows 7 and earlier
// have only that one).
#pragma once

#include <cstdint>

#include "clients/simple_mapi_message.h"
#include "platform/windows/win_owners.h"

namespace wrenpost {

class SimpleMapi {
 public:
  // Loads mapi32.dll from the system folder (it loads the default client's
  // provider). Raises the 429 report when it or both entries are not there.
  SimpleMapi();

  // The entry the message goes through, for the log and failure reports.
  const char* EntryName() const { return wide_ ? "MAPISendMailW" : "MAPISendMail"; }

  // The entry with session 0, no parent window and `flags`; its answer.
  std::uint32_t SendMail(const MapiMessage& message, std::uint32_t flags);

 private:
  // Kept until the end of the run: a modeless window's client may still use it.
  UniqueModule library_;
  FARPROC send_mail_ = nullptr;
  bool wide_ = true;
};

}  // namespace wrenpost
