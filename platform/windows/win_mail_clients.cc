#include "platform/windows/win_mail_clients.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <optional>
#include <string>

#include "clients/client_start.h"
#include "errors/run_error.h"
#include "clients/windows_command_line.h"
#include "clients/windows_mail_route.h"
#include "clients/mailto_message.h"
#include "platform/windows/win_body_file.h"
#include "platform/windows/win_client_identities.h"
#include "platform/windows/win_process_start.h"
#include "platform/windows/win_registry.h"
#include "platform/windows/win_owners.h"
#include "platform/windows/win_simple_mapi.h"
#include "platform/windows/win_text.h"

namespace wrenpost {
namespace {

class RouteClient : public DraftClient {
 public:
  explicit RouteClient(ChosenRoute route) : route_(std::move(route)) {}
  std::string Description() const override { return RouteDescription(route_); }
  std::string RouteNote() const override { return route_.note; }

 protected:
  ChosenRoute route_;
};

// Thunderbird or Betterbird, started with -compose and the same field string as on Linux.
class CommandLineClient final : public RouteClient {
 public:
  using RouteClient::RouteClient;

  // The identity of the default profile, told by its key: a from= address
  // would pick the first identity of that address, or none.
  SenderChoice ChooseSender(const std::string& from) override {
    return ChooseThunderbirdSender(route_.client_name, from);
  }

  void Open(const MessageDraft& draft) override {
    // Without an account Thunderbird opens no compose window, and its launcher still ends well.
    if (const std::optional<std::string> profile = ThunderbirdProfileWithoutAccount()) {
      throw RunError(errors::kCannotCreateObject,
                     "Program " + route_.client_name + " nie ma jeszcze konta pocztowego (profil " + *profile +
                         "), więc nie otworzy okna nowej wiadomości. Skonfiguruj konto w programie " +
                         route_.client_name + " i spróbuj ponownie.");
    }
    const ClientTraits& traits = *TraitsOf(route_.client);
    // Body files of earlier runs go once they are a day old, also on runs without a body.
    const std::string folder = BodyFolder();
    RemoveStaleBodyFiles(folder);
    std::optional<std::string> body_file;
    if (NeedsBodyFile(traits, draft)) {
      body_file = WriteBodyFile(folder, BodyForClient(traits, draft),
                                draft.html && traits.html_compose ? BodyFormat::kHtml : BodyFormat::kText);
    }
    try {
      const std::string line = ComposeCommandLine(route_.client_name, route_.executable, draft, body_file);
      const StartOutcome start = StartAndWatch(route_.executable, line, route_.client_name);
      if (std::optional<RunError> failure = StartFailure(route_.client_name, start)) throw *failure;
    } catch (...) {
      // Nobody will read the body now.
      if (body_file) RemoveBodyFile(*body_file);
      throw;
    }
  }
};

class SimpleMapiClient final : public RouteClient {
 public:
  SimpleMapiClient(ChosenRoute route, std::unique_ptr<SimpleMapi> mapi)
      : RouteClient(std::move(route)), mapi_(std::move(mapi)) {}

  // The message's originator: the client picks the identity of its address.
  SenderChoice ChooseSender(const std::string& from) override {
    return {SenderChoice::Kind::kPassed, from, {}};
  }

  std::string OpenNote() const override { return cancelled_ ? kMapiCancelledEntry : ""; }

  void Open(const MessageDraft& draft) override {
    const MapiMessage message = SimpleMapiMessage(draft);
    std::uint32_t flags = kModelessFlags;
    std::uint32_t code = mapi_->SendMail(message, flags);
    if (ReadMapiAnswer(code, flags) == MapiAnswer::kModelessRefused) {
      // The dialog mode: the call returns when the user closes the window.
      flags = kDialogFlags;
      code = mapi_->SendMail(message, flags);
    }
    // A user who cancelled has made the choice: not a failure, but the log says so.
    const MapiAnswer answer = ReadMapiAnswer(code, flags);
    if (answer == MapiAnswer::kFailed) throw MapiFailure(code, mapi_->EntryName());
    cancelled_ = answer == MapiAnswer::kClosedByUser;
  }

 private:
  std::unique_ptr<SimpleMapi> mapi_;
  bool cancelled_ = false;
};

// A client that takes only a mailto: link (the new Outlook).
class MailtoClient final : public RouteClient {
 public:
  using RouteClient::RouteClient;

  // As for every route that cannot carry a sender: logged, and the message opens.
  SenderChoice ChooseSender(const std::string&) override {
    return {SenderChoice::Kind::kNotChosen, {}, "link mailto: nie przenosi nadawcy"};
  }

  void Open(const MessageDraft& draft) override {
    const std::string url = MailtoUrlOf(draft);
    if (std::optional<RunError> refusal = MailtoRefusal(route_.client_name, draft, false, url.size())) {
      throw *refusal;
    }
    // shell32 is loaded only for this route: importing it would slow every run's start.
    const UniqueModule shell(LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    const FARPROC found = shell.get() != nullptr ? GetProcAddress(shell.get(), "ShellExecuteExW") : nullptr;
    if (found == nullptr) ThrowCannotOpen(GetLastError());
    const auto shell_execute = reinterpret_cast<BOOL(WINAPI*)(SHELLEXECUTEINFOW*)>(reinterpret_cast<void*>(found));
    const std::wstring wide = Widen(url);
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    // The run ends right after: the shell must be done before it returns.
    open.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    open.lpVerb = L"open";
    open.lpFile = wide.c_str();
    open.nShow = SW_SHOWNORMAL;
    if (!shell_execute(&open)) ThrowCannotOpen(GetLastError());
  }

 private:
  [[noreturn]] void ThrowCannotOpen(unsigned long code) const {
    throw RunError(errors::kCannotCreateObject,
                   "Nie można otworzyć linku mailto: programem " + route_.client_name + ": " + SystemMessage(code));
  }
};

}  // namespace

std::unique_ptr<DraftClient> WindowsMailClients::Find(ClientName name) {
  const MailRegistry registry = ReadMailRegistry();
  ChosenRoute route = ChooseMailRoute(name, registry);
  switch (route.route) {
    case MailRoute::kCommandLine:
      return std::make_unique<CommandLineClient>(std::move(route));
    case MailRoute::kSimpleMapi:
      try {
        auto mapi = std::make_unique<SimpleMapi>();
        return std::make_unique<SimpleMapiClient>(std::move(route), std::move(mapi));
      } catch (const RunError& error) {
        // -client auto goes on to the mailto: handler; -client mapi asked for this one.
        if (route.fallback_name.empty()) throw;
        std::string why = error.description;
        while (!why.empty() && why.back() == '.') why.pop_back();
        if (!why.empty() && why.front() >= 'A' && why.front() <= 'Z') why.front() = static_cast<char>(why.front() + 32);
        route = *MailtoRoute(registry, why);
      }
      break;
    case MailRoute::kMailto:
      break;
  }
  return std::make_unique<MailtoClient>(std::move(route));
}

}  // namespace wrenpost
