#include "platform/posix/thunderbird_item.h"

#include <unistd.h>

#include <chrono>
#include <utility>

#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/thunderbird_body_file.h"
#include "platform/run_error.h"

namespace wrenpost {
namespace {

[[noreturn]] void ThrowUnknownMember(std::string_view object, std::string_view member) {
  throw RunError(errors::kUnknownMember, "Obiekt " + std::string(object) +
                                     " nie obsługuje tej właściwości lub metody: " +
                                     std::string(member) + ".");
}

const std::string& TextArgument(std::string_view member, const AutomationArgument& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  throw RunError(errors::kTypeMismatch, "Niezgodność typów: " + std::string(member) + " oczekuje tekstu.");
}

const std::string& OneTextArgument(std::string_view member, std::span<const AutomationArgument> args) {
  if (args.size() != 1) {
    throw RunError(errors::kInvalidCall, "Nieprawidłowa liczba argumentów wywołania " + std::string(member) + ".");
  }
  return TextArgument(member, args[0]);
}

// A recipient's Type, as the mail client numbers it.
constexpr std::int32_t kTo = 1;
constexpr std::int32_t kCc = 2;
constexpr std::int32_t kBcc = 3;

struct AddedRecipient {
  std::string address;
  std::int32_t type = kTo;
};

struct SharedDraft {
  ComposeDraft draft;
  std::vector<AddedRecipient> recipients;  // in the order added; sorted by Type at the end
  std::string working_folder;

  void SortRecipients() {
    draft.recipients.clear();
    draft.cc_recipients.clear();
    draft.bcc_recipients.clear();
    for (const AddedRecipient& added : recipients) {
      auto& list = added.type == kCc    ? draft.cc_recipients
                   : added.type == kBcc ? draft.bcc_recipients
                                        : draft.recipients;
      list.push_back(added.address);
    }
  }
};

std::int32_t IntegerArgument(std::string_view member, const AutomationArgument& value) {
  if (const auto* word = std::get_if<std::int16_t>(&value)) return *word;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
  throw RunError(errors::kTypeMismatch, "Niezgodność typów: " + std::string(member) + " oczekuje liczby.");
}

// An object of the component: every member it does not offer is not
// supported (438), as the mail client answers for a name it does not know.
class ComponentObject : public AutomationObject {
 public:
  explicit ComponentObject(const char* name) : name_(name) {}

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    ThrowUnknownMember(name_, member);
  }
  AutomationValue ReadProperty(std::string_view member) override { ThrowUnknownMember(name_, member); }
  void PutProperty(std::string_view member, const AutomationArgument&) override {
    ThrowUnknownMember(name_, member);
  }
  void PutReference(std::string_view member, AutomationObject&) override {
    ThrowUnknownMember(name_, member);
  }
  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument>) override {
    ThrowUnknownMember(name_, member);
  }

 private:
  const char* name_;
};

// What `Recipients.Add` answers: the added recipient, whose Type may be set.
class DraftRecipient final : public ComponentObject {
 public:
  DraftRecipient(std::shared_ptr<SharedDraft> shared, std::size_t index)
      : ComponentObject("Recipient"), shared_(std::move(shared)), index_(index) {}

  void PutProperty(std::string_view member, const AutomationArgument& value) override {
    if (member != "Type") return ComponentObject::PutProperty(member, value);
    const std::int32_t type = IntegerArgument(member, value);
    if (type != kTo && type != kCc && type != kBcc) {
      throw RunError(errors::kInvalidCall, "Nieprawidłowy typ adresata: " + std::to_string(type) + ".");
    }
    shared_->recipients[index_].type = type;
  }

 private:
  std::shared_ptr<SharedDraft> shared_;
  std::size_t index_;
};

// `Attachments` or `Recipients`: only `Add` is offered.
class DraftCollection final : public ComponentObject {
 public:
  enum class Kind { kAttachments, kRecipients };
  DraftCollection(std::shared_ptr<SharedDraft> shared, Kind kind)
      : ComponentObject(kind == Kind::kAttachments ? "Attachments" : "Recipients"),
        shared_(std::move(shared)),
        kind_(kind) {}

  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    if (member != "Add") return ComponentObject::CallMethod(member, args);
    const std::string& value = OneTextArgument(member, args);
    if (kind_ == Kind::kAttachments) {
      shared_->draft.attachment_paths.push_back(ResolveAttachmentPath(value, shared_->working_folder));
      return nullptr;  // the added attachment is never used
    }
    shared_->recipients.push_back({value});
    return std::make_unique<DraftRecipient>(shared_, shared_->recipients.size() - 1);
  }

 private:
  std::shared_ptr<SharedDraft> shared_;
  Kind kind_;
};

// The profile's accounts. The component does not read Thunderbird's
// identities: it lists none, so a sender goes into the compose text's
// "from=" field, and Thunderbird picks the identity with that address.
class DraftAccounts final : public ComponentObject {
 public:
  DraftAccounts() : ComponentObject("Accounts") {}

  AutomationValue ReadProperty(std::string_view member) override {
    if (member != "Count") return ComponentObject::ReadProperty(member);
    return std::int32_t{0};
  }
  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    if (member != "Item") return ComponentObject::CallMethod(member, args);
    throw RunError(errors::kSubscriptOutOfRange, "Indeks poza zakresem: Accounts nie ma kont.");
  }
};

class DraftSession final : public ComponentObject {
 public:
  DraftSession() : ComponentObject("NameSpace") {}

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    if (member != "Accounts") return ComponentObject::GetProperty(member);
    return std::make_unique<DraftAccounts>();
  }
};

// The mail client's numbers for an item's BodyFormat.
constexpr std::int32_t kPlainFormat = 1;
constexpr std::int32_t kHtmlFormat = 2;

class ThunderbirdItem final : public ComponentObject {
 public:
  ThunderbirdItem(ComposeOpener opener, std::string working_folder)
      : ComponentObject("MailItem"), opener_(std::move(opener)), shared_(std::make_shared<SharedDraft>()) {
    shared_->working_folder = std::move(working_folder);
  }

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    if (member == "Attachments") {
      return std::make_unique<DraftCollection>(shared_, DraftCollection::Kind::kAttachments);
    }
    if (member == "Recipients") {
      return std::make_unique<DraftCollection>(shared_, DraftCollection::Kind::kRecipients);
    }
    return ComponentObject::GetProperty(member);
  }

  // What the draft holds: Thunderbird adds the identity's signature itself,
  // so there is none to read here.
  AutomationValue ReadProperty(std::string_view member) override {
    const ComposeDraft& draft = shared_->draft;
    const bool html = draft.format == BodyFormat::kHtml;
    if (member == "BodyFormat") return html ? kHtmlFormat : kPlainFormat;
    if (member == "HtmlBody") return html ? draft.body.value_or("") : std::string();
    if (member == "Body") return html ? std::string() : draft.body.value_or("");
    return ComponentObject::ReadProperty(member);
  }

  void PutProperty(std::string_view member, const AutomationArgument& value) override {
    ComposeDraft& draft = shared_->draft;
    if (member == "Subject") {
      draft.subject = TextArgument(member, value);
    } else if (member == "Body" || member == "HtmlBody") {
      // As in the mail client, the last body set decides the format.
      draft.body = TextArgument(member, value);
      draft.format = member == "HtmlBody" ? BodyFormat::kHtml : BodyFormat::kText;
    } else if (member == "SentOnBehalfOfName") {
      draft.from = TextArgument(member, value);
    } else {
      ComponentObject::PutProperty(member, value);
    }
  }

  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    if (member != "Display") return ComponentObject::CallMethod(member, args);
    if (!args.empty()) {
      throw RunError(errors::kInvalidCall, "Nieprawidłowa liczba argumentów wywołania Display.");
    }
    shared_->draft.displayed = true;
    return nullptr;
  }

  // The window opens here, once: Thunderbird takes all fields at the start.
  void Release() override {
    if (!shared_->draft.displayed || opened_) return;
    opened_ = true;
    shared_->SortRecipients();
    opener_(shared_->draft);
  }

 private:
  ComposeOpener opener_;
  std::shared_ptr<SharedDraft> shared_;
  bool opened_ = false;
};

class ThunderbirdApplication final : public ComponentObject {
 public:
  ThunderbirdApplication(ComposeOpener opener, std::string working_folder)
      : ComponentObject("Application"), opener_(std::move(opener)), working_folder_(std::move(working_folder)) {}

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    if (member != "Session") return ComponentObject::GetProperty(member);
    return std::make_unique<DraftSession>();
  }
  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    if (member != "CreateItem") return ComponentObject::CallMethod(member, args);
    const std::int16_t* kind = args.size() == 1 ? std::get_if<std::int16_t>(&args[0]) : nullptr;
    if (kind == nullptr || *kind != 0) {
      throw RunError(errors::kInvalidCall,
                     "Nieprawidłowy argument wywołania CreateItem: obsługiwana jest tylko wiadomość (0).");
    }
    return std::make_unique<ThunderbirdItem>(opener_, working_folder_);
  }

 private:
  ComposeOpener opener_;
  std::string working_folder_;
};

}  // namespace

std::unique_ptr<AutomationObject> CreateThunderbirdApplication(ComposeOpener opener,
                                                               std::string working_folder) {
  return std::make_unique<ThunderbirdApplication>(std::move(opener), std::move(working_folder));
}

ComposeOpener ThunderbirdOpener(std::string thunderbird_path) {
  return [thunderbird_path = std::move(thunderbird_path)](const ComposeDraft& draft) {
    ComposeFields fields;
    fields.recipients = draft.recipients;
    fields.cc_recipients = draft.cc_recipients;
    fields.bcc_recipients = draft.bcc_recipients;
    fields.subject = draft.subject;
    fields.from = draft.from;
    fields.format = draft.format;
    fields.attachment_paths = draft.attachment_paths;
    // Body files of earlier runs go once they are a day old, also on runs
    // without a body; the folder is only made when there is a body to write.
    const std::string folder = BodyFolderPath();
    const bool has_body = draft.body && !draft.body->empty();
    if (has_body) PreparePrivateFolder(folder);
    if (IsPrivateFolder(folder)) RemoveStaleBodyFiles(folder, std::chrono::system_clock::now());
    if (has_body) fields.message_path = WriteBodyFile(folder, *draft.body, draft.format);
    std::vector<std::string> command = ComposeCommand(fields);
    try {
      StartDetached(thunderbird_path, command);
    } catch (...) {
      // Nobody will read the body now.
      if (fields.message_path) ::unlink(fields.message_path->c_str());
      throw;
    }
  };
}

}  // namespace wrenpost
