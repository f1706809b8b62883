#include "platform/posix/posix_started_client.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "clients/thunderbird_profile.h"
#include "platform/posix/posix_sandbox_copies.h"
#include "platform/posix/posix_spawn_tools.h"
#include "platform/posix/posix_start_signs.h"
#include "platform/posix/thunderbird_body_file.h"
#include "errors/run_error.h"

namespace wrenpost {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

class StartedClient final : public DraftClient {
 public:
  StartedClient(const ClientTraits& traits, ClientLaunch launch, std::string home, XdgFolders folders)
      : traits_(traits), launch_(std::move(launch)), home_(std::move(home)), folders_(std::move(folders)) {}

  std::string Description() const override { return DescribeClient(traits_.shown_name, launch_.packaging); }

  SenderChoice ChooseSender(const std::string& from) override {
    switch (traits_.sender) {
      case SenderSupport::kIdentities: {
        const std::vector<MailIdentity> identities = ProfileIdentities();
        if (const MailIdentity* identity = MatchIdentity(identities, from)) {
          return {SenderChoice::Kind::kAccount, identity->address, {}};
        }
        return {SenderChoice::Kind::kOnBehalf, from, {}};
      }
      case SenderSupport::kByAddress:
      case SenderSupport::kByName:
        return {SenderChoice::Kind::kPassed, from, {}};
      case SenderSupport::kNone:
        break;
    }
    return {SenderChoice::Kind::kNotChosen, {},
            "programowi " + std::string(traits_.shown_name) + " nie można wskazać nadawcy"};
  }

  void Open(const MessageDraft& request) override {
    if (!HasDisplay()) {
      throw RunError(errors::kCannotCreateObject,
                     "Brak sesji graficznej (nie ustawiono zmiennej DISPLAY ani WAYLAND_DISPLAY): program " +
                         std::string(traits_.shown_name) + " nie może otworzyć okna nowej wiadomości.");
    }
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
    } else {
      if (body_file) PreparePrivateFolder(folder);
      if (IsPrivateFolder(folder)) RemoveStaleBodyFiles(folder, now);
    }
    std::optional<std::string> body_path;
    try {
      if (sandboxed) {
        for (std::string& attachment : draft.attachments) attachment = copies.Readable(attachment);
      }
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
      if (auto failure = StartFailure(traits_.shown_name, start)) throw *failure;
    } catch (...) {
      // Nobody will read these now.
      if (body_path) ::unlink(body_path->c_str());
      copies.Discard();
      throw;
    }
  }

 private:
  std::vector<MailIdentity> ProfileIdentities() const {
    const std::string root = ProfilesRoot(home_, launch_.packaging, launch_.sandbox);
    const auto profile =
        DefaultProfileFolder(ReadText(root + "/profiles.ini"), ReadText(root + "/installs.ini"), root);
    if (!profile) return {};
    return IdentitiesOf(ReadText(*profile + "/prefs.js"));
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
