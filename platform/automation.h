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

// A handle on one object of the automation server. Every call that fails
// raises RunError with the server's number and description.
class AutomationObject {
 public:
  virtual ~AutomationObject() = default;  // lets go of the handle, never raises

  // Reads an object-valued property (`Attachments`, `Recipients`).
  virtual std::unique_ptr<AutomationObject> GetProperty(std::string_view member) = 0;
  // Assigns a property (`Subject`, `Body`, `HtmlBody`, a recipient's `Type`).
  virtual void PutProperty(std::string_view member, const AutomationArgument& value) = 0;
  // Calls a method; returns the object it answers with, or null when it answers none.
  virtual std::unique_ptr<AutomationObject> CallMethod(
      std::string_view member, std::span<const AutomationArgument> args) = 0;
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
};

}  // namespace wrenpost
