// The libFuzzer side: a broken property aborts, so the input is saved as a crash.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_check.h"

namespace wrenpost::fuzz {

void PropertyFailed(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what.c_str());
  std::abort();
}

}  // namespace wrenpost::fuzz

#ifndef WRENPOST_FUZZ_ENTRY
#error "the build names the target's entry function"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return wrenpost::fuzz::WRENPOST_FUZZ_ENTRY(data, size);
}
