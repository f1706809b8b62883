#include "launcher/outlook_target.h"

#include <exception>
#include <optional>
#include <vector>

#include "platform/run_error.h"
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

}  // namespace

AutomationObject& OutlookTarget::Collection(Handle& collection, const char* member) {
  if (!collection) collection = Required(item_->GetProperty(member), member);
  return *collection;
}

void OutlookTarget::CreateItem() {
  const AutomationArgument kind = kMailItem;
  item_ = Required(client_->CallMethod("CreateItem", {&kind, 1}), "CreateItem");
}

// The sender: the profile's account named `from` (by its display name first,
// which Outlook's security guard does not watch, then by its address), or,
// when none is, the mailbox the message is sent on behalf of. Every object of
// the lookup is let go of before the next step.
void OutlookTarget::SetSender(const std::string& from, const RunLog& log) {
  Handle session = Required(client_->GetProperty("Session"), "Session");
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
    log.WriteLogLine(kSenderAccountEntry, from);
    // An object property is set by reference: a plain put is ignored.
    item_->PutReference("SendUsingAccount", *listed[*chosen]);
  } else {
    log.WriteLogLine(kSenderOnBehalfEntry, from);
    item_->PutProperty("SentOnBehalfOfName", from);
  }
  for (auto account = listed.rbegin(); account != listed.rend(); ++account) wrenpost::Release(*account);
  wrenpost::Release(accounts);
  wrenpost::Release(session);
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
      item_->PutProperty("Body", body + "\r\n" + TextOf(item_->ReadProperty("Body")));
      return;
    }
  }
  const std::string insertion = html ? body : TextAsHtmlParagraph(body);
  item_->PutProperty("HtmlBody", InsertAfterBodyTag(TextOf(item_->ReadProperty("HtmlBody")), insertion));
}

void OutlookTarget::AddRecipient(const std::string& address, RecipientKind kind) {
  const AutomationArgument argument = address;
  AutomationObject& recipients = Collection(recipients_, "Recipients");
  if (kind == RecipientKind::kTo) {
    recipients.CallMethodWithoutResult("Add", {&argument, 1});
    return;
  }
  // A copy or a blind copy: the added recipient's Type is set.
  Handle recipient = Required(recipients.CallMethod("Add", {&argument, 1}), "Recipients.Add");
  recipient->PutProperty("Type", AutomationArgument(kind == RecipientKind::kCc ? kCopyRecipient : kBlindCopyRecipient));
  wrenpost::Release(recipient);
}

void OutlookTarget::Release() {
  // Each handle goes even when letting go of an earlier one raised; the
  // first failure is passed on.
  std::exception_ptr first;
  for (Handle* handle : {&attachments_, &recipients_, &item_, &client_}) {
    try {
      wrenpost::Release(*handle);
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

}  // namespace wrenpost
