#include "platform/fake/fake_automation.h"

#include <sstream>

namespace wrenpost {
namespace {

// The objects an Outlook-like server hands out, named after what they are.
std::string ResultName(std::string_view member, std::span<const AutomationArgument> args = {}) {
  if (member == "CreateItem" || member == "CreateItemFromTemplate") return "MailItem";
  if (member == "Attachments" || member == "Recipients" || member == "Session" || member == "Accounts") {
    return std::string(member);
  }
  if (member == "Add") return "Added";
  if (member == "Item" && args.size() == 1 && std::holds_alternative<std::int32_t>(args[0])) {
    return "Account" + std::to_string(std::get<std::int32_t>(args[0]));
  }
  return {};
}

class FakeObject final : public AutomationObject {
 public:
  FakeObject(FakeAutomationServer& server, std::string name)
      : server_(server), name_(std::move(name)) {
    server_.ObjectCreated();
  }
  // A handle dropped without Release() is not counted as let go of: the
  // program must let go of every object explicitly, failures included.
  ~FakeObject() override = default;
  const std::string& name() const { return name_; }

  std::unique_ptr<AutomationObject> GetProperty(std::string_view member) override {
    server_.Record({name_, "get", std::string(member), {}});
    if (server_.AnswersNothing(member)) return nullptr;
    return std::make_unique<FakeObject>(server_, ResultName(member));
  }
  AutomationValue ReadProperty(std::string_view member) override {
    server_.Record({name_, "read", std::string(member), {}});
    return server_.Value(name_, member);
  }
  void PutProperty(std::string_view member, const AutomationArgument& value) override {
    server_.Record({name_, "put", std::string(member), {value}});
    if (const auto* text = std::get_if<std::string>(&value)) {
      server_.SetValue(name_, std::string(member), *text);
    } else if (const auto* number = std::get_if<std::int32_t>(&value)) {
      server_.SetValue(name_, std::string(member), *number);
    }
  }
  void PutReference(std::string_view member, AutomationObject& value) override {
    const auto* object = dynamic_cast<FakeObject*>(&value);
    server_.Record({name_, "putref", std::string(member), {object ? object->name() : std::string("?")}});
  }
  std::unique_ptr<AutomationObject> CallMethod(std::string_view member,
                                               std::span<const AutomationArgument> args) override {
    server_.Record({name_, "call", std::string(member), {args.begin(), args.end()}});
    const std::string result = ResultName(member, args);
    if (result.empty() || server_.AnswersNothing(member)) return nullptr;
    return std::make_unique<FakeObject>(server_, result);
  }
  void CallMethodWithoutResult(std::string_view member,
                               std::span<const AutomationArgument> args) override {
    server_.Record({name_, "call", std::string(member), {args.begin(), args.end()}});
  }
  void AllowForeground() noexcept override { server_.Record({name_, "foreground", {}, {}}); }
  void Release() override {
    if (released_) return;
    released_ = true;
    server_.ObjectReleased();
    server_.Record({name_, "release", {}, {}});
    server_.ExplicitRelease(name_);  // the handle is gone even when this raises
  }

 private:
  FakeAutomationServer& server_;
  std::string name_;
  bool released_ = false;
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
        if (call.kind == "putref") {
          out << *text;
        } else {
          out << '"' << *text << '"';
        }
      } else if (const auto* word = std::get_if<std::int16_t>(&call.arguments[i])) {
        out << *word << "i2";
      } else {
        out << std::get<std::int32_t>(call.arguments[i]) << "i4";
      }
    }
    out << ')';
  }
  return out.str();
}

std::unique_ptr<AutomationObject> FakeAutomationServer::CreateObject(std::string_view prog_id) {
  if (auto object = CreateObjectIfRegistered(prog_id)) return object;
  throw RunError(errors::kCannotCreateObject, "ActiveX component can't create object");
}

std::unique_ptr<AutomationObject> FakeAutomationServer::CreateObjectIfRegistered(std::string_view prog_id) {
  Record({"", "create", std::string(prog_id), {}});
  if (!registered_) return nullptr;
  return std::make_unique<FakeObject>(*this, std::string(prog_id));
}

void FakeAutomationServer::FailOn(std::string kind, std::string member, RunError error) {
  ThrowOn(std::move(kind), std::move(member), std::make_exception_ptr(std::move(error)));
}

void FakeAutomationServer::ThrowOn(std::string kind, std::string member, std::exception_ptr exception) {
  member_failure_ = MemberFailure{std::move(kind), std::move(member), std::move(exception)};
}

void FakeAutomationServer::FailRelease(std::string object, RunError error) {
  release_failure_.emplace(std::move(object), std::move(error));
}

void FakeAutomationServer::ExplicitRelease(const std::string& object) {
  if (!release_failure_ || release_failure_->first != object) return;
  RunError error = release_failure_->second;
  release_failure_.reset();
  throw error;
}

void FakeAutomationServer::SetValue(const std::string& object, const std::string& member,
                                    AutomationValue value) {
  values_.insert_or_assign(object + "." + member, std::move(value));
}

AutomationValue FakeAutomationServer::Value(const std::string& object, std::string_view member) const {
  const auto found = values_.find(object + "." + std::string(member));
  return found == values_.end() ? AutomationValue(std::string()) : found->second;
}

void FakeAutomationServer::AddAccount(const std::string& display_name, const std::string& smtp_address) {
  const std::string account = "Account" + std::to_string(++accounts_);
  SetValue(account, "DisplayName", display_name);
  SetValue(account, "SmtpAddress", smtp_address);
  SetValue("Accounts", "Count", accounts_);
}

void FakeAutomationServer::Record(RecordedCall call) {
  const bool counted = call.kind != "release" && call.kind != "foreground";
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
    const std::exception_ptr exception = member_failure_->exception;
    member_failure_.reset();
    std::rethrow_exception(exception);
  }
}

std::vector<std::string> FakeAutomationServer::DescribedCalls() const {
  std::vector<std::string> lines;
  for (const RecordedCall& call : calls_) lines.push_back(Describe(call));
  return lines;
}

}  // namespace wrenpost
