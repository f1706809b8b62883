// Turning errno into the program's error.
#pragma once

#include <cerrno>
#include <cstring>
#include <string>

#include "errors/run_error.h"

namespace wrenpost {

// The system's number and message, with the subject the call was about.
[[noreturn]] inline void ThrowSystemError(int error_number, const std::string& subject) {
  std::string description = std::strerror(error_number);
  if (!subject.empty()) description += ": " + subject;
  throw RunError(error_number, std::move(description));
}

}  // namespace wrenpost
