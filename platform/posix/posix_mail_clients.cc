#include "platform/posix/posix_mail_clients.h"

#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "clients/thunderbird_compose.h"
#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/thunderbird_body_file.h"
#include "platform/run_error.h"

namespace wrenpost {
namespace {

// Thunderbird (or Betterbird, which reads the same command line), started
// from PATH with "-compose" and not waited for.
class ThunderbirdClient final : public DraftClient {
 public:
  ThunderbirdClient(std::string name, std::string path) : name_(std::move(name)), path_(std::move(path)) {}

  std::string Description() const override { return name_; }

  SenderChoice ChooseSender(const std::string& from) override {
    return {SenderChoice::Kind::kOnBehalf, from, {}};
  }

  void Open(const MessageDraft& draft) override {
    ComposeFields fields;
    fields.recipients = draft.to;
    fields.cc_recipients = draft.cc;
    fields.bcc_recipients = draft.bcc;
    if (!draft.subject.empty()) fields.subject = draft.subject;
    if (!draft.from.empty()) fields.from = draft.from;
    fields.format = draft.html ? BodyFormat::kHtml : BodyFormat::kText;
    fields.attachment_paths = draft.attachments;
    // Body files of earlier runs go once they are a day old, also on runs
    // without a body; the folder is only made when there is a body to write.
    const std::string folder = BodyFolderPath();
    const bool has_body = !draft.body.empty();
    if (has_body) PreparePrivateFolder(folder);
    if (IsPrivateFolder(folder)) RemoveStaleBodyFiles(folder, std::chrono::system_clock::now());
    if (has_body) fields.message_path = WriteBodyFile(folder, draft.body, fields.format);
    std::vector<std::string> command = {"thunderbird"};
    for (std::string& argument : ComposeArguments(fields)) command.push_back(std::move(argument));
    try {
      StartDetached(path_, command);
    } catch (...) {
      // Nobody will read the body now.
      if (fields.message_path) ::unlink(fields.message_path->c_str());
      throw;
    }
  }

 private:
  std::string name_;
  std::string path_;
};

}  // namespace

std::unique_ptr<DraftClient> PosixMailClients::Find(ClientName name) {
  const bool any = name == ClientName::kAuto || name == ClientName::kDefault;
  for (const auto& [client, program, shown] :
       {std::tuple{ClientName::kThunderbird, "thunderbird", "Thunderbird"},
        std::tuple{ClientName::kBetterbird, "betterbird", "Betterbird"}}) {
    if (!any && name != client) continue;
    if (const auto path = FindExecutableOnPath(program)) return std::make_unique<ThunderbirdClient>(shown, *path);
  }
  throw RunError(errors::kCannotCreateObject,
                 "Nie znaleziono programu pocztowego: nie ma programu thunderbird ani betterbird w folderach ze "
                 "zmiennej PATH.");
}

}  // namespace wrenpost
