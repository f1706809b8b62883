// Replays every saved fuzz input (the seed corpus and the inputs that once
// broke a property) through its target's properties, in every build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"

namespace wrenpost::fuzz {

void PropertyFailed(const char* file, int line, const std::string& what) {
  ADD_FAILURE_AT(file, line) << "property failed: " << what;
}

namespace {

namespace fs = std::filesystem;

struct Target {
  const char* name;
  int (*entry)(const std::uint8_t*, std::size_t);
};

const Target kTargets[] = {
    {"parse_options", FuzzParseOptions},
    {"body_decoding", FuzzBodyDecoding},
    {"log_entries", FuzzLogEntries},
    {"wildcard_match", FuzzWildcardMatch},
    {"automation_errors", FuzzAutomationErrors},
    {"windows_text", FuzzWindowsText},
};

void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }

std::vector<fs::path> SavedInputs(const std::string& folder) {
  std::vector<fs::path> inputs;
  const fs::path root = fs::path(WRENPOST_FUZZ_DIR) / folder;
  if (!fs::is_directory(root)) return inputs;
  for (const auto& entry : fs::directory_iterator(root)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {
 protected:
  void Replay(const std::vector<fs::path>& inputs) {
    for (const fs::path& input : inputs) {
      SCOPED_TRACE(input.string());
      std::ifstream in(input, std::ios::binary);
      ASSERT_TRUE(in) << "cannot read " << input;
      const std::string bytes(std::istreambuf_iterator<char>(in), {});
      GetParam().entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
  }
};

TEST_P(FuzzReplay, SeedCorpusKeepsEveryProperty) {
  const auto inputs = SavedInputs(std::string("corpus/") + GetParam().name);
  ASSERT_FALSE(inputs.empty()) << "no seed inputs for " << GetParam().name;
  Replay(inputs);
}

TEST_P(FuzzReplay, InputsThatOnceFailedKeepEveryProperty) {
  Replay(SavedInputs(std::string("regressions/") + GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wrenpost::fuzz
