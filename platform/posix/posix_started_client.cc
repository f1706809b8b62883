#include "platform/posix/posix_started_client.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <utility>

#include "clients/attachment_name.h"
#include "clients/thunderbird_profile.h"
#include "platform/posix/posix_client_identities.h"
#include "platform/posix/posix_sandbox_copies.h"
#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/posix_start_signs.h"
#include "platform/posix/thunderbird_body_file.h"
#include "errors/run_error.h"

namespace wrenpost {
namespace {

class StartedClient final : public DraftClient {
 public:
  StartedClient(const ClientTraits& traits, ClientLaunch launch, std::string home, XdgFolders folders)
      : traits_(traits), launch_(std::move(launch)), home_(std::move(home)), folders_(std::move(folders)) {}

  std::string Description() const override { return DescribeClient(traits_.shown_name, launch_.packaging); }

  SenderChoice ChooseSender(const std::string& from) override {
    return ChooseClientSender(traits_, launch_, home_, folders_, from);
  }

  void Open(const MessageDraft& request) override {
    if (!HasDisplay()) {
      throw RunError(errors::kCannotCreateObject,
                     "Brak sesji graficznej (nie ustawiono zmiennej DISPLAY ani WAYLAND_DISPLAY): program " +
                         std::string(traits_.shown_name) + " nie może otworzyć okna nowej wiadomości.");
    }
    RefuseProfileWithoutAccount();
    MessageDraft draft = request;
    const auto now = std::chrono::system_clock::now();
    const bool sandboxed = launch_.packaging != Packaging::kPlain;
    SandboxCopies copies(SandboxViewOf(launch_, home_, folders_.data_home, folders_.config_home));
    // Body files of earlier runs go once they are a day old, also on runs
    // without a body; the folder is only made when there is something to put there.
    const bool body_file = NeedsBodyFile(traits_, draft);
    std::string folder = sandboxed ? copies.Folder() : BodyFolderPath();
    if (sandboxed) {
      if (body_file || !draft.attachments.empty()) {
        copies.Prepare(now);
      } else {
        copies.RemoveStale(now);
      }
    } else if (body_file || std::any_of(draft.attachments.begin(), draft.attachments.end(),
                                        [&](const std::string& path) { return !CarriesPath(traits_.name, path); })) {
      copies.Prepare(now);  // the body file's folder, also for copies under names the client carries
    } else {
      copies.RemoveStale(now);
    }
    std::optional<std::string> body_path;
    try {
      for (std::string& attachment : draft.attachments) attachment = copies.Readable(attachment, traits_.name);
      if (body_file) {
        body_path = WriteBodyFile(folder, BodyForClient(traits_, draft),
                                  draft.html && traits_.html_compose ? BodyFormat::kHtml : BodyFormat::kText);
      }
      std::vector<std::string> command = launch_.command;
      for (std::string& argument : StartArguments(traits_, draft, body_path)) command.push_back(std::move(argument));
      StartSignWatch signs(StartSignsOf(traits_.name, launch_.packaging, launch_.sandbox, home_),
                           std::chrono::system_clock::now());
      const StartOutcome start = StartWatched(command.front(), command, kStartWatch,
                                              [&signs](pid_t pid) { return signs.Shows(pid); });
      // Past this point the client may read the files: a hand-over keeps them.
      if (auto failure = StartFailure(traits_.shown_name, start, HandOverExitCode(traits_.name))) throw *failure;
    } catch (...) {
      // Nobody will read these now.
      if (body_path) ::unlink(body_path->c_str());
      copies.Discard();
      throw;
    }
  }

 private:
  // Thunderbird opens no compose window while its profile has no account,
  // and its launcher still ends well: nothing is started then.
  void RefuseProfileWithoutAccount() const {
    if (const auto profile = ProfileWithoutAccount(traits_, launch_, home_)) {
      throw RunError(errors::kCannotCreateObject,
                     "Program " + std::string(traits_.shown_name) +
                         " nie ma jeszcze konta pocztowego (profil " + *profile +
                         "), więc nie otworzy okna nowej wiadomości. Skonfiguruj konto w programie " +
                         std::string(traits_.shown_name) + " i spróbuj ponownie.");
    }
  }

  const ClientTraits& traits_;
  ClientLaunch launch_;
  std::string home_;
  XdgFolders folders_;
};

}  // namespace

std::unique_ptr<DraftClient> MakeStartedClient(const ClientTraits& traits, ClientLaunch launch, std::string home,
                                               XdgFolders folders) {
  return std::make_unique<StartedClient>(traits, std::move(launch), std::move(home), std::move(folders));
}

}  // namespace wrenpost
