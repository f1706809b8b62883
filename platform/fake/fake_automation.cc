#include "platform/fake/fake_automation.h"

#include <sstream>

namespace wrenpost {
namespace {

// The objects an Outlook-like server hands out, named after what they are.
std::string ResultName(std::string_view member) {
  if (member == "CreateItem") return "MailItem";
  if (member == "Attachments" || member == "Recipients") return std::string(member);
  if (member == "Add") return "Added";
  return {};
}

class FakeObject final : public AutomationObject {
 public:
  FakeObject(FakeAutomationServer& server, std::string name)
      : server_(server), name_(std::move(name)) {
    server_.ObjectCreated();
  }
  ~FakeObject() override {
    if (!released_) ReleaseOnce();
  }

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    server_.Record({name_, "get", std::string(member), {}});
    return std::make_unique<FakeObject>(server_, ResultName(member));
  }
  void PutProperty(std::string_view member, const AutomationArgument& value) override {
    server_.Record({name_, "put", std::string(member), {value}});
  }
  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    server_.Record({name_, "call", std::string(member), {args.begin(), args.end()}});
    const std::string result = ResultName(member);
    if (result.empty()) return nullptr;
    return std::make_unique<FakeObject>(server_, result);
  }
  void Release() override { ReleaseOnce(); }

 private:
  FakeAutomationServer& server_;
  std::string name_;
  bool released_ = false;

  void ReleaseOnce() {
    if (released_) return;
    released_ = true;
    server_.ObjectReleased();
    server_.Record({name_, "release", {}, {}});
  }
};

}  // namespace

std::string Describe(const RecordedCall& call) {
  std::ostringstream out;
  out << call.object << '.' << call.kind;
  if (!call.member.empty()) out << ' ' << call.member;
  if (call.kind == "call" || !call.arguments.empty()) {
    out << '(';
    for (std::size_t i = 0; i < call.arguments.size(); ++i) {
      if (i > 0) out << ", ";
      if (const auto* text = std::get_if<std::string>(&call.arguments[i])) {
        out << '"' << *text << '"';
      } else {
        out << std::get<std::int16_t>(call.arguments[i]) << "i2";
      }
    }
    out << ')';
  }
  return out.str();
}

std::unique_ptr<AutomationObject> FakeAutomationServer::CreateObject(std::string_view prog_id) {
  Record({"", "create", std::string(prog_id), {}});
  return std::make_unique<FakeObject>(*this, std::string(prog_id));
}

void FakeAutomationServer::FailOn(std::string kind, std::string member, RunError error) {
  member_failure_ = MemberFailure{std::move(kind), std::move(member), std::move(error)};
}

void FakeAutomationServer::Record(RecordedCall call) {
  const bool counted = call.kind != "release";
  calls_.push_back(call);
  if (!counted) return;
  const std::size_t index = counted_++;
  if (failure_ && failure_->index == index) {
    RunError error = failure_->error;
    failure_.reset();
    throw error;
  }
  if (member_failure_ && member_failure_->kind == call.kind &&
      member_failure_->member == call.member) {
    RunError error = member_failure_->error;
    member_failure_.reset();
    throw error;
  }
}

std::vector<std::string> FakeAutomationServer::DescribedCalls() const {
  std::vector<std::string> lines;
  for (const RecordedCall& call : calls_) lines.push_back(Describe(call));
  return lines;
}

}  // namespace wrenpost
