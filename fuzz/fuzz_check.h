// Properties checked by the fuzz targets. A broken property is reported
// through PropertyFailed: under libFuzzer it aborts, so the input is kept as a
// crash; when the saved inputs are replayed as tests it records a test failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wrenpost::fuzz {

void PropertyFailed(const char* file, int line, const std::string& what);

// Shows a text with its control and non-ASCII bytes escaped, for messages.
std::string Shown(std::string_view text);

// The fuzz targets; each takes any bytes and checks its properties.
int FuzzParseOptions(const std::uint8_t* data, std::size_t size);
int FuzzBodyDecoding(const std::uint8_t* data, std::size_t size);
int FuzzLogEntries(const std::uint8_t* data, std::size_t size);
int FuzzWildcardMatch(const std::uint8_t* data, std::size_t size);
int FuzzAutomationErrors(const std::uint8_t* data, std::size_t size);
int FuzzWindowsText(const std::uint8_t* data, std::size_t size);
int FuzzHtmlToText(const std::uint8_t* data, std::size_t size);
int FuzzClientFiles(const std::uint8_t* data, std::size_t size);

}  // namespace wrenpost::fuzz

#define FUZZ_CHECK(condition, what)                                      \
  do {                                                                   \
    if (!(condition)) ::wrenpost::fuzz::PropertyFailed(__FILE__, __LINE__, (what)); \
  } while (0)
