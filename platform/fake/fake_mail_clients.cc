#include "platform/fake/fake_mail_clients.h"

namespace wrenpost {
namespace {

class FakeClient final : public DraftClient {
 public:
  FakeClient(FakeMailClients::Client client, std::vector<MessageDraft>& opened)
      : client_(std::move(client)), opened_(opened) {}

  std::string Description() const override { return client_.description; }
  SenderChoice ChooseSender(const std::string& from) override {
    SenderChoice choice = client_.sender;
    if (choice.kind != SenderChoice::Kind::kNotChosen && choice.address.empty() && choice.identity.empty()) {
      choice.address = from;
    }
    return choice;
  }
  void Open(const MessageDraft& draft) override {
    if (client_.open_failure) throw *client_.open_failure;
    opened_.push_back(draft);
  }

 private:
  FakeMailClients::Client client_;
  std::vector<MessageDraft>& opened_;
};

}  // namespace

std::unique_ptr<DraftClient> FakeMailClients::Find(ClientName name) {
  asked.push_back(name);
  const auto found = clients.find(name);
  if (found == clients.end()) {
    throw RunError(errors::kCannotCreateObject,
                   "Nie znaleziono programu pocztowego: " + std::string(ClientNameText(name)));
  }
  return std::make_unique<FakeClient>(found->second, opened);
}

}  // namespace wrenpost
