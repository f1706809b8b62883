// An automation server for tests: records every call in order and fails the
// call it is told to.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "platform/automation.h"
#include "errors/run_error.h"

namespace wrenpost {

struct RecordedCall {
  std::string object;  // "Outlook.Application", "MailItem", "Attachments", "Account2", ...
  // "create", "get", "read", "put", "putref", "call", "foreground", "release"
  std::string kind;
  std::string member;
  std::vector<AutomationArgument> arguments;  // putref: the object's name, as a text

  bool operator==(const RecordedCall&) const = default;
};

// One line per call, for readable test failures: object.kind member(args), with
// texts quoted and 16-bit integers marked i2.
std::string Describe(const RecordedCall& call);

class FakeAutomationServer final : public AutomationServer {
 public:
  FakeAutomationServer() { SetValue("Accounts", "Count", 0); }  // a profile without accounts
  std::unique_ptr<AutomationObject> CreateObject(std::string_view prog_id) override;
  // Records a creation too; null after NotInstalled().
  std::unique_ptr<AutomationObject> CreateObjectIfRegistered(std::string_view prog_id) override;

  // Makes the n-th call (0-based, counting creation, gets, reads, puts and
  // method calls but not releases and foreground grants) raise `error`.
  void FailCall(std::size_t index, RunError error) { failure_ = {index, std::move(error)}; }
  // Makes the first call matching kind and member raise `error`.
  void FailOn(std::string kind, std::string member, RunError error);
  // The same with any exception (std::bad_alloc, a std::exception).
  void ThrowOn(std::string kind, std::string member, std::exception_ptr exception);
  // Makes the explicit release of the object named `object` raise `error`, as
  // a component that acts when released may.
  void FailRelease(std::string object, RunError error);
  // Makes `member` (a get or a call) answer no object.
  void AnswerNothing(std::string member) { answer_nothing_.insert(std::move(member)); }
  bool AnswersNothing(std::string_view member) const { return answer_nothing_.count(std::string(member)) > 0; }
  // No class is registered: creating raises 429.
  void NotInstalled() { registered_ = false; }

  // What a read of `member` on the object named `object` answers ("MailItem",
  // "HtmlBody"); an unset one answers an empty text. Puts set it too.
  void SetValue(const std::string& object, const std::string& member, AutomationValue value);
  AutomationValue Value(const std::string& object, std::string_view member) const;
  // One more account of the mail profile: `Session.Accounts` counts it, and
  // its Item(n) is the object "Account<n>" with this DisplayName and SmtpAddress.
  void AddAccount(const std::string& display_name, const std::string& smtp_address);

  const std::vector<RecordedCall>& calls() const { return calls_; }
  // Handles handed out and not yet let go of by an explicit Release().
  int live_objects() const { return live_objects_; }
  void ObjectCreated() { ++live_objects_; }
  void ObjectReleased() { --live_objects_; }
  std::vector<std::string> DescribedCalls() const;

  // Used by the fake's objects.
  void Record(RecordedCall call);
  void ExplicitRelease(const std::string& object);

 private:
  struct Failure {
    std::size_t index;
    RunError error;
  };
  struct MemberFailure {
    std::string kind;
    std::string member;
    std::exception_ptr exception;
  };
  std::vector<RecordedCall> calls_;
  std::size_t counted_ = 0;
  int live_objects_ = 0;
  std::optional<Failure> failure_;
  std::optional<MemberFailure> member_failure_;
  std::optional<std::pair<std::string, RunError>> release_failure_;
  std::set<std::string> answer_nothing_;
  std::map<std::string, AutomationValue, std::less<>> values_;  // "Object.Member"
  std::int32_t accounts_ = 0;
  bool registered_ = true;
};

}  // namespace wrenpost
