// Late-bound automation of the mail client: objects are reached by member
// name only, the way a script would drive them.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace wrenpost {

// A text (UTF-8), a 16-bit or a 32-bit integer: the argument kinds the
// launcher passes (Variant types VT_BSTR, VT_I2 and VT_I4 on Windows).
using AutomationArgument = std::variant<std::string, std::int16_t, std::int32_t>;

// What a property read answers: a text (UTF-8) or a whole number.
using AutomationValue = std::variant<std::string, std::int32_t>;

// A handle on one object of the automation server. Every call that fails
// raises RunError with the server's number and description.
class AutomationObject {
 public:
  virtual ~AutomationObject() = default;  // lets go of the handle, never raises

  // Reads an object-valued property (`Attachments`, `Session`). An answer
  // that is no object is null.
  virtual std::unique_ptr<AutomationObject> GetProperty(std::string_view member) = 0;
  // Reads a property that holds a text or a number (`HtmlBody`, `Count`).
  virtual AutomationValue ReadProperty(std::string_view member) = 0;
  // Assigns a property (`Subject`, `Body`, `HtmlBody`, a recipient's `Type`).
  virtual void PutProperty(std::string_view member, const AutomationArgument& value) = 0;
  // Assigns an object to a property by reference, as a script's `Set` does
  // (`SendUsingAccount`): a plain assignment of an object is not the same.
  virtual void PutReference(std::string_view member, AutomationObject& value) = 0;
  // Calls a method; returns the object it answers with, or null when it answers none.
  virtual std::unique_ptr<AutomationObject> CallMethod(
      std::string_view member, std::span<const AutomationArgument> args) = 0;
  // Calls a method without asking for its answer: across processes, an
  // answered object would cost a further round trip to let go of.
  virtual void CallMethodWithoutResult(std::string_view member,
                                       std::span<const AutomationArgument> args) {
    CallMethod(member, args);
  }
  // Lets the object's server bring a window of its own to the front (the
  // compose window that `Display` opens). Best effort, never raises.
  virtual void AllowForeground() noexcept {}
  // Lets go of the handle now. Unlike the destructor it may raise, for
  // components that act when released.
  virtual void Release() {}
};

class AutomationServer {
 public:
  virtual ~AutomationServer() = default;
  // Creates the application object registered under `prog_id`. A component
  // that is not installed or not registered raises number 429.
  virtual std::unique_ptr<AutomationObject> CreateObject(std::string_view prog_id) = 0;
  // The same, but null when the class is not there at all (not registered,
  // or its server missing); any other failure raises as CreateObject does.
  virtual std::unique_ptr<AutomationObject> CreateObjectIfRegistered(std::string_view prog_id) = 0;
};

}  // namespace wrenpost
