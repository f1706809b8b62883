// Where the launch sequence puts the message: a new item of the automation
// server, filled call by call, or a draft that a mail client takes whole. The
// sequence logs its steps; a target only carries them out.
#pragma once

#include <string>

#include "runlog/run_log.h"

namespace wrenpost {

enum class RecipientKind { kTo, kCc, kBcc };

class ComposeTarget {
 public:
  virtual ~ComposeTarget() = default;

  // Chooses the sending account for `from` and logs how it was chosen.
  virtual void SetSender(const std::string& from, const RunLog& log) = 0;
  virtual void SetSubject(const std::string& subject) = 0;
  // The body before the window opens.
  virtual void SetBody(std::string body, bool html) = 0;
  // `full_path` names the file the lookup found.
  virtual void AddAttachment(const std::string& full_path) = 0;
  virtual void Display() = 0;
  // The body after the window opened, ahead of the signature the mail client put in.
  virtual void PutBodyAboveSignature(const std::string& body, bool html) = 0;
  virtual void AddRecipient(const std::string& address, RecipientKind kind) = 0;
  // The normal end: everything is in.
  virtual void Finish() = 0;
  // After a failure: lets go of what is held. May raise; the caller guards it.
  virtual void Release() = 0;
};

// The entries that say how the sender was chosen.
inline constexpr const char* kSenderAccountEntry = "Konto nadawcy: ";
inline constexpr const char* kSenderOnBehalfEntry = "Wysyłanie w imieniu: ";
inline constexpr const char* kSenderPassedEntry = "Nadawca przekazany programowi pocztowemu: ";
// "Nadawca nie został wybrany: " + from + " (" + why + ")".
std::string SenderNotChosenEntry(const std::string& from, const std::string& why);

}  // namespace wrenpost
