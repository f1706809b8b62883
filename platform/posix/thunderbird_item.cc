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
  throw RunError(kUnknownMember, "Obiekt " + std::string(object) +
                                     " nie obsługuje tej właściwości lub metody: " +
                                     std::string(member) + ".");
}

const std::string& TextArgument(std::string_view member, const AutomationArgument& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  throw RunError(kTypeMismatch, "Niezgodność typów: " + std::string(member) + " oczekuje tekstu.");
}

const std::string& OneTextArgument(std::string_view member, std::span<const AutomationArgument> args) {
  if (args.size() != 1) {
    throw RunError(kInvalidCall, "Nieprawidłowa liczba argumentów wywołania " + std::string(member) + ".");
  }
  return TextArgument(member, args[0]);
}

struct SharedDraft {
  ComposeDraft draft;
  std::string working_folder;
};

// `Attachments` or `Recipients`: only `Add` is offered.
class DraftCollection final : public AutomationObject {
 public:
  enum class Kind { kAttachments, kRecipients };
  DraftCollection(std::shared_ptr<SharedDraft> shared, Kind kind) : shared_(std::move(shared)), kind_(kind) {}

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    ThrowUnknownMember(Name(), member);
  }
  void PutProperty(std::string_view member, const AutomationArgument&) override {
    ThrowUnknownMember(Name(), member);
  }
  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    if (member != "Add") ThrowUnknownMember(Name(), member);
    const std::string& value = OneTextArgument(member, args);
    if (kind_ == Kind::kAttachments) {
      shared_->draft.attachment_paths.push_back(ResolveAttachmentPath(value, shared_->working_folder));
    } else {
      shared_->draft.recipients.push_back(value);
    }
    return nullptr;  // the added element is never used
  }

 private:
  const char* Name() const { return kind_ == Kind::kAttachments ? "Attachments" : "Recipients"; }
  std::shared_ptr<SharedDraft> shared_;
  Kind kind_;
};

class ThunderbirdItem final : public AutomationObject {
 public:
  ThunderbirdItem(ComposeOpener opener, std::string working_folder)
      : opener_(std::move(opener)), shared_(std::make_shared<SharedDraft>()) {
    shared_->working_folder = std::move(working_folder);
  }

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    if (member == "Attachments") {
      return std::make_unique<DraftCollection>(shared_, DraftCollection::Kind::kAttachments);
    }
    if (member == "Recipients") {
      return std::make_unique<DraftCollection>(shared_, DraftCollection::Kind::kRecipients);
    }
    ThrowUnknownMember("MailItem", member);
  }

  void PutProperty(std::string_view member, const AutomationArgument& value) override {
    ComposeDraft& draft = shared_->draft;
    if (member == "Subject") {
      draft.subject = TextArgument(member, value);
    } else if (member == "Body" || member == "HtmlBody") {
      // As in the mail client, the last body set decides the format.
      draft.body = TextArgument(member, value);
      draft.format = member == "HtmlBody" ? BodyFormat::kHtml : BodyFormat::kText;
    } else {
      ThrowUnknownMember("MailItem", member);
    }
  }

  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    if (member != "Display") ThrowUnknownMember("MailItem", member);
    if (!args.empty()) {
      throw RunError(kInvalidCall, "Nieprawidłowa liczba argumentów wywołania Display.");
    }
    shared_->draft.displayed = true;
    return nullptr;
  }

  // The window opens here, once: Thunderbird takes all fields at the start.
  void Release() override {
    if (!shared_->draft.displayed || opened_) return;
    opened_ = true;
    opener_(shared_->draft);
  }

 private:
  ComposeOpener opener_;
  std::shared_ptr<SharedDraft> shared_;
  bool opened_ = false;
};

class ThunderbirdApplication final : public AutomationObject {
 public:
  ThunderbirdApplication(ComposeOpener opener, std::string working_folder)
      : opener_(std::move(opener)), working_folder_(std::move(working_folder)) {}

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    ThrowUnknownMember("Application", member);
  }
  void PutProperty(std::string_view member, const AutomationArgument&) override {
    ThrowUnknownMember("Application", member);
  }
  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    if (member != "CreateItem") ThrowUnknownMember("Application", member);
    const std::int16_t* kind = args.size() == 1 ? std::get_if<std::int16_t>(&args[0]) : nullptr;
    if (kind == nullptr || *kind != 0) {
      throw RunError(kInvalidCall,
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
    fields.subject = draft.subject;
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
