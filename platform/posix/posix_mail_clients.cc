#include "platform/posix/posix_mail_clients.h"

#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "clients/client_start.h"
#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/thunderbird_body_file.h"
#include "platform/run_error.h"

namespace wrenpost {
namespace {

// A client started from PATH with the draft and not waited for.
class StartedClient final : public DraftClient {
 public:
  StartedClient(const ClientTraits& traits, std::string path) : traits_(traits), path_(std::move(path)) {}

  std::string Description() const override { return std::string(traits_.shown_name); }

  SenderChoice ChooseSender(const std::string& from) override {
    return {SenderChoice::Kind::kOnBehalf, from, {}};
  }

  void Open(const MessageDraft& draft) override {
    // Body files of earlier runs go once they are a day old, also on runs
    // without a body; the folder is only made when there is a body to write.
    const std::string folder = BodyFolderPath();
    const bool body_file = NeedsBodyFile(traits_, draft);
    if (body_file) PreparePrivateFolder(folder);
    if (IsPrivateFolder(folder)) RemoveStaleBodyFiles(folder, std::chrono::system_clock::now());
    std::optional<std::string> body_path;
    if (body_file) {
      body_path = WriteBodyFile(folder, BodyForClient(traits_, draft),
                                draft.html && traits_.html_compose ? BodyFormat::kHtml : BodyFormat::kText);
    }
    std::vector<std::string> command = {std::string(traits_.program)};
    for (std::string& argument : StartArguments(traits_, draft, body_path)) command.push_back(std::move(argument));
    try {
      StartDetached(path_, command);
    } catch (...) {
      // Nobody will read the body now.
      if (body_path) ::unlink(body_path->c_str());
      throw;
    }
  }

 private:
  const ClientTraits& traits_;
  std::string path_;
};

}  // namespace

std::unique_ptr<DraftClient> PosixMailClients::Find(ClientName name) {
  const bool any = name == ClientName::kAuto || name == ClientName::kDefault;
  for (const ClientName client : {ClientName::kThunderbird, ClientName::kBetterbird}) {
    if (!any && name != client) continue;
    const ClientTraits& traits = *TraitsOf(client);
    if (const auto path = FindExecutableOnPath(traits.program)) return std::make_unique<StartedClient>(traits, *path);
  }
  throw RunError(errors::kCannotCreateObject,
                 "Nie znaleziono programu pocztowego: nie ma programu thunderbird ani betterbird w folderach ze "
                 "zmiennej PATH.");
}

}  // namespace wrenpost
