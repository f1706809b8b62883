// Shared by the hostile-input and log tests: a sandbox with the built program
// and a stand-in Thunderbird, and ways to read what a run left behind.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/e2e_harness.h"

namespace wrenpost::hostile {

// The log's entries: its text cut at every CR LF.
std::vector<std::string> LogLines(const std::string& log);

// How many times `part` occurs in `text`.
std::size_t Occurrences(const std::string& text, const std::string& part);

// A sandbox holding the program and a bin folder with a Thunderbird that
// records its arguments (NUL-separated) in seen/argv and then writes seen/done.
struct ProgramSandbox {
  e2e::Sandbox sandbox;
  std::filesystem::path program = sandbox.InstallProgram();
  std::filesystem::path log = sandbox / "Wrenpost.log";
  std::filesystem::path bin = sandbox / "bin";
  std::filesystem::path temp = sandbox / "tmp";
  std::filesystem::path seen = sandbox / "seen";

  ProgramSandbox();
  // PATH holds only the stand-in, TMPDIR is the sandbox's.
  e2e::RunOptions Options() const;
  e2e::RunResult Launch(const std::vector<std::string>& args) const;
  // The "-compose" fields Thunderbird was given; empty when it did not run.
  std::map<std::string, std::string> ComposeFields() const;
};

// Starts the program without waiting; its output goes nowhere.
pid_t StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment);
// The exit status of a started program, -1 when it did not exit normally.
int WaitForProgram(pid_t child);

}  // namespace wrenpost::hostile
