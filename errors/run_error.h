// The one error type of a run: a failing step raises it, and it unwinds to the
// single handler in RunLauncher.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "errors/error_numbers.h"

namespace wrenpost {

struct RunError : std::exception {
  RunError(std::int32_t number_in, std::string description_in)
      : number(number_in), description(std::move(description_in)) {}
  explicit RunError(const KnownError& known) : RunError(known.number, std::string(known.description)) {}

  const char* what() const noexcept override { return description.c_str(); }

  // The failing component's own number (mail client, operating system).
  std::int32_t number;
  // Its own wording, UTF-8.
  std::string description;
};

}  // namespace wrenpost
