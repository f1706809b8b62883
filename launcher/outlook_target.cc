#include "launcher/outlook_target.h"

#include <exception>
#include <optional>
#include <span>
#include <vector>

#include "errors/run_error.h"
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

// Lets go of each handle in turn, even when letting go of an earlier one
// raised; the first failure is passed on.
void ReleaseEach(std::span<Handle* const> handles) {
  std::exception_ptr first;
  for (Handle* handle : handles) {
    try {
      Release(*handle);
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

// The objects one step obtains, let go of explicitly, the last first, when the
// step ends: by ReleaseAll on the normal end, by the destructor when the step
// raised (a second failure there is dropped: the run reports the first).
class HeldObjects {
 public:
  HeldObjects() = default;
  HeldObjects(const HeldObjects&) = delete;
  HeldObjects& operator=(const HeldObjects&) = delete;
  ~HeldObjects() {
    try {
      ReleaseAll();
    } catch (...) {
    }
  }

  AutomationObject& Hold(Handle object) {
    held_.push_back(std::move(object));
    return *held_.back();
  }
  void ReleaseAll() {
    std::vector<Handle*> last_first;
    for (auto held = held_.rbegin(); held != held_.rend(); ++held) last_first.push_back(&*held);
    ReleaseEach(last_first);
    held_.clear();
  }

 private:
  std::vector<Handle> held_;
};

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

}  // namespace

AutomationObject& OutlookTarget::Collection(Handle& collection, const char* member) {
  if (!collection) collection = Required(item_->GetProperty(member), member);
  return *collection;
}

void OutlookTarget::CreateItem(const std::string& template_path) {
  if (!template_path.empty()) {
    const AutomationArgument path = template_path;
    item_ = Required(client_->CallMethod("CreateItemFromTemplate", {&path, 1}), "CreateItemFromTemplate");
    return;
  }
  const AutomationArgument kind = kMailItem;
  item_ = Required(client_->CallMethod("CreateItem", {&kind, 1}), "CreateItem");
}

// The sender: the profile's account named `from` (by its display name first,
// which Outlook's security guard does not watch, then by its address), or,
// when none is, the mailbox the message is sent on behalf of. An address that
// cannot be read (the user denied the guard's question) leaves the sender
// unchosen: the message keeps the default account and still opens. Every
// object of the lookup is let go of before the next step.
void OutlookTarget::SetSender(const std::string& from, const RunLog& log) {
  HeldObjects lookup;
  AutomationObject& session = lookup.Hold(Required(client_->GetProperty("Session"), "Session"));
  AutomationObject& accounts = lookup.Hold(Required(session.GetProperty("Accounts"), "Accounts"));
  const std::int32_t count = NumberOf(accounts.ReadProperty("Count"), "Count");
  std::vector<AutomationObject*> listed;
  AutomationObject* chosen = nullptr;
  for (std::int32_t i = 1; i <= count && !chosen; ++i) {
    const AutomationArgument index = i;
    listed.push_back(&lookup.Hold(Required(accounts.CallMethod("Item", {&index, 1}), "Accounts.Item")));
    if (SameAccountName(TextOf(listed.back()->ReadProperty("DisplayName")), from)) chosen = listed.back();
  }
  std::optional<RunError> unread;
  for (std::size_t i = 0; i < listed.size() && !chosen && !unread; ++i) {
    try {
      if (SameAccountName(TextOf(listed[i]->ReadProperty("SmtpAddress")), from)) chosen = listed[i];
    } catch (const RunError& error) {
      unread = error;  // asked once: the other addresses are not read either
    }
  }
  if (chosen) {
    log.WriteLogLine(kSenderAccountEntry, from);
    // An object property is set by reference: a plain put is ignored.
    item_->PutReference("SendUsingAccount", *chosen);
  } else if (unread) {
    log.WriteLogLine(SenderNotChosenEntry(
        from, "nie udało się odczytać adresu konta, błąd " + std::to_string(unread->number) + ": " + unread->description));
  } else {
    log.WriteLogLine(kSenderOnBehalfEntry, from);
    item_->PutProperty("SentOnBehalfOfName", from);
  }
  lookup.ReleaseAll();
}

void OutlookTarget::SetSubject(const std::string& subject) { item_->PutProperty("Subject", subject); }

void OutlookTarget::SetBody(std::string body, bool html) {
  item_->PutProperty(html ? "HtmlBody" : "Body", std::move(body));
}

void OutlookTarget::AddAttachment(const std::string& full_path) {
  // The added attachment is never used: its answer is not asked for.
  const AutomationArgument argument = full_path;
  Collection(attachments_, "Attachments").CallMethodWithoutResult("Add", {&argument, 1});
}

void OutlookTarget::Display() {
  wrenpost::Release(attachments_);
  item_->AllowForeground();  // the compose window comes to the front, not behind the caller
  item_->CallMethodWithoutResult("Display", {});
}

// After `Display`: the body goes in ahead of the signature the mail client
// put into the still empty message, which keeps its formatting.
void OutlookTarget::PutBodyAboveSignature(const std::string& body, bool html) {
  if (!html) {
    const std::int32_t format = NumberOf(item_->ReadProperty("BodyFormat"), "BodyFormat");
    if (format != kHtmlFormat && format != kRichTextFormat) {
      const std::string signature = TextOf(item_->ReadProperty("Body"));
      item_->PutProperty("Body", signature.empty() ? body : body + "\r\n" + signature);
      return;
    }
  }
  const std::string insertion = html ? body : TextAsHtmlParagraph(body);
  item_->PutProperty("HtmlBody", InsertAtBodyStart(TextOf(item_->ReadProperty("HtmlBody")), insertion));
}

void OutlookTarget::AddRecipient(const std::string& address, RecipientKind kind) {
  const AutomationArgument argument = address;
  AutomationObject& recipients = Collection(recipients_, "Recipients");
  if (kind == RecipientKind::kTo) {
    recipients.CallMethodWithoutResult("Add", {&argument, 1});
    return;
  }
  // A copy or a blind copy: the added recipient's Type is set.
  HeldObjects added;
  AutomationObject& recipient = added.Hold(Required(recipients.CallMethod("Add", {&argument, 1}), "Recipients.Add"));
  recipient.PutProperty("Type", AutomationArgument(kind == RecipientKind::kCc ? kCopyRecipient : kBlindCopyRecipient));
  added.ReleaseAll();
}

void OutlookTarget::Release() {
  Handle* const handles[] = {&attachments_, &recipients_, &item_, &client_};
  ReleaseEach(handles);
}

}  // namespace wrenpost
