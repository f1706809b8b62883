// Runs the real Wrenpost.exe under Wine for the end-to-end suite, through the
// two Windows-side helpers (wine_runner.exe, fake_outlook.exe), and reads back
// what happened: the helper's report, the fake server's record of calls and
// the run log.
//
// The environment names the setting that tools/test_windows.sh prepares:
//   WRENPOST_WINE        the wine64 loader
//   WINEPREFIX           a prefix with the helpers in C:\wrenpost-tools and
//                        fake_outlook.exe registered as "Outlook.Application"
//   WRENPOST_EXE         the Wrenpost.exe under test (a Linux path)
//   DISPLAY              an X server (Xvfb) for the message boxes
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace wrenpost::wine_test {

struct Box {
  std::string caption;
  std::string text;     // CR LF shown as \r\n
  std::string buttons;  // visible buttons' captions, comma-separated
  std::string icon;     // warning, error, information, question, none
  bool foreground = false;
};

struct RunResult {
  int exit_code = -1;
  bool timed_out = false;
  std::vector<Box> boxes;
  std::map<std::string, std::string> report;
};

// One test case: a fresh folder C:\cases\<name>\ holding a copy of the program.
class WineCase {
 public:
  // Empty when the environment is complete, else what is missing.
  static std::string MissingSetting();

  explicit WineCase(const std::string& name, const std::string& exe_name = "Wrenpost.exe");

  // "C:\cases\<name>\<file>" and the same file on the Linux side.
  std::string WinPath(const std::string& file = {}) const;
  std::filesystem::path UnixPath(const std::string& file = {}) const;
  std::string ExeWinPath() const { return WinPath(exe_name_); }

  void WriteFile(const std::string& file, const std::string& bytes) const;
  // The fake server's failures for the next run (see fake_outlook.cc).
  void SetFailures(const std::string& control_lines) const;

  // Runs "<quoted program path> <args>" (or `command_line` whole), with the
  // listed files marked hidden first. Waits for the fake server to finish.
  RunResult Run(const std::string& args, const std::vector<std::string>& hide = {}) const;
  RunResult RunCommandLine(const std::string& command_line,
                           const std::vector<std::string>& hide = {}) const;

  // The fake server's record of the last run, line by line.
  std::vector<std::string> Calls() const;
  // Wrenpost.log, decoded from code page 1250, with every date line checked
  // and replaced by "<date line>".
  std::string Log() const;
  bool LogExists() const;

  // Runs a helper command of the fake server or the runner; returns its exit code.
  static int Wine(const std::vector<std::string>& args);

 private:
  std::string name_;
  std::string exe_name_;
};

// The header every run writes, for the executable at `exe_win_path`.
std::string ExpectedHeader(const std::string& exe_win_path);

// Code page 1250 bytes, for the files the tests hand the program.
std::string ToCp1250(const std::string& utf8);

}  // namespace wrenpost::wine_test
