#include "platform/posix/posix_mailto_handler.h"

#include <cstdlib>
#include <utility>

#include "clients/client_start.h"
#include "clients/desktop_entry.h"
#include "clients/mailto_message.h"
#include "clients/start_watch.h"
#include "errors/run_error.h"
#include "platform/posix/posix_spawn_tools.h"

namespace wrenpost {
namespace {

class MailtoHandler final : public DraftClient {
 public:
  explicit MailtoHandler(DesktopApp app) : app_(std::move(app)) {}

  std::string Description() const override { return app_.name + " (mailto:)"; }

  SenderChoice ChooseSender(const std::string&) override {
    return {SenderChoice::Kind::kNotChosen, {}, "link mailto: nie przenosi nadawcy"};
  }

  void Open(const MessageDraft& draft) override {
    // The link is one argument: Linux's limit, not Windows' URL length.
    const std::string url = MailtoUrlOf(draft);
    if (auto refusal = MailtoRefusal(app_.name, draft, false, url.size(), kMaxArgumentBytes)) throw *refusal;
    if (!HasDisplay()) {
      throw RunError(errors::kCannotCreateObject,
                     "Brak sesji graficznej (nie ustawiono zmiennej DISPLAY ani WAYLAND_DISPLAY): program " +
                         app_.name + " nie może otworzyć okna nowej wiadomości.");
    }
    auto words = ExecWords(app_.entry, app_.file, url);
    if (!words) {
      throw RunError(errors::kCannotCreateObject, "Domyślny program pocztowy „" + app_.name + "” (" + app_.file +
                                                      ") ma błędny wiersz Exec i nie może otworzyć linku mailto:.");
    }
    std::vector<std::string> command = ResolvedCommand(std::move(*words));
    const StartOutcome start = StartWatched(command.front(), command, kStartWatch);
    if (auto failure = StartFailure(app_.name, start)) throw *failure;
  }

 private:
  DesktopApp app_;
};

}  // namespace

std::unique_ptr<DraftClient> MakeMailtoHandler(DesktopApp app) {
  return std::make_unique<MailtoHandler>(std::move(app));
}

}  // namespace wrenpost
