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

// A folder of saved inputs and the target that replays them. Every folder here
// must hold inputs, and every folder under corpus/ and regressions/ must be here.
struct SavedInputs {
  const char* folder;
  int (*entry)(const std::uint8_t*, std::size_t);
};

const SavedInputs kSavedInputs[] = {
    {"corpus/parse_options", FuzzParseOptions},
    {"corpus/body_decoding", FuzzBodyDecoding},
    {"corpus/log_entries", FuzzLogEntries},
    {"corpus/wildcard_match", FuzzWildcardMatch},
    {"corpus/automation_errors", FuzzAutomationErrors},
    {"corpus/windows_text", FuzzWindowsText},
    {"corpus/html_to_text", FuzzHtmlToText},
    {"corpus/client_files", FuzzClientFiles},
    {"regressions/body_decoding", FuzzBodyDecoding},
};

void PrintTo(const SavedInputs& saved, std::ostream* out) { *out << saved.folder; }

class FuzzReplay : public ::testing::TestWithParam<SavedInputs> {};

TEST_P(FuzzReplay, EverySavedInputKeepsEveryProperty) {
  const fs::path root = fs::path(WRENPOST_FUZZ_DIR) / GetParam().folder;
  ASSERT_TRUE(fs::is_directory(root)) << "missing " << root;
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(root)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  ASSERT_FALSE(inputs.empty()) << "no inputs in " << root;
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.string());
    std::ifstream in(input, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << input;
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    GetParam().entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Folders, FuzzReplay, ::testing::ValuesIn(kSavedInputs),
                         [](const auto& info) {
                           std::string name = info.param.folder;
                           std::replace(name.begin(), name.end(), '/', '_');
                           return name;
                         });

// An input saved in a folder nobody replays would never run.
TEST(FuzzReplayFolders, EveryFolderOfInputsIsReplayed) {
  for (const char* kind : {"corpus", "regressions"}) {
    for (const auto& entry : fs::directory_iterator(fs::path(WRENPOST_FUZZ_DIR) / kind)) {
      const std::string folder = std::string(kind) + "/" + entry.path().filename().string();
      EXPECT_TRUE(std::any_of(std::begin(kSavedInputs), std::end(kSavedInputs),
                              [&](const SavedInputs& saved) { return folder == saved.folder; }))
          << folder << " is not replayed";
    }
  }
}

}  // namespace
}  // namespace wrenpost::fuzz
