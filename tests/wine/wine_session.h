// Runs the real Wrenpost.exe under Wine for the end-to-end suite, through the
// two Windows-side helpers (wine_runner.exe, fake_outlook.exe), and reads back
// what happened: the helper's report, the fake server's record of calls and
// the run log.
//
// The environment names the setting that tools/test_windows.sh prepares:
//   WRENPOST_WINE        the wine64 loader (the helpers are 64-bit)
//   WRENPOST_WINE32      the 32-bit loader, for a 32-bit Wrenpost.exe started
//                        from Linux
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
  std::string error;  // why the box was read before it was wholly shown
};

struct RunResult {
  int exit_code = -1;            // the (first) run's
  std::vector<int> exit_codes;   // every run's, in the order they were asked for
  int helper_exit = -1;          // the helper's, when one was started
  bool timed_out = false;
  std::vector<Box> boxes;
  std::map<std::string, std::string> report;
};

// One test case: a fresh folder C:\cases\<name>\ holding a copy of the program.
// The name may hold backslashes: nested folders.
class WineCase {
 public:
  // Empty when the environment is complete, else what is missing.
  static std::string MissingSetting();

  explicit WineCase(const std::string& name, const std::string& exe_name = "Wrenpost.exe");
  // The same, the program copied into the folder `program_folder` (backslashes
  // allowed) below the case's folder.
  WineCase(const std::string& name, const std::string& program_folder, const std::string& exe_name);

  // "C:\cases\<name>\<file>" and the same file on the Linux side.
  std::string WinPath(const std::string& file = {}) const;
  std::filesystem::path UnixPath(const std::string& file = {}) const;
  std::string ExeWinPath() const { return WinPath(program_folder_ + exe_name_); }

  void WriteFile(const std::string& file, const std::string& bytes) const;
  // The fake server's failures for the next run (see fake_outlook.cc).
  void SetFailures(const std::string& control_lines) const;

  // Runs "<quoted program path> <args>" (or `command_line` whole), with the
  // listed files marked hidden first. Waits for the fake server to finish.
  RunResult Run(const std::string& args, const std::vector<std::string>& hide = {}) const;
  RunResult RunCommandLine(const std::string& command_line,
                           const std::vector<std::string>& hide = {}) const;
  // The same, started hidden as a caller's Shell ..., vbHide does.
  RunResult RunHidden(const std::string& args) const;

  // Runs of the program started at the same moment, one per element of
  // `args_list` (each as in Run), with the fake server already running for
  // them; waits for all of them and the server.
  RunResult RunTogether(const std::vector<std::string>& args_list) const;
  // Starts `helper_command_line` first and waits (up to 10 s) until it sets the
  // named event `ready_event`, then runs the program as Run does, sets the
  // named event `release_event` (when given) once it has ended, and waits for
  // the helper to end as well.
  RunResult RunBeside(const std::string& helper_command_line, const std::string& ready_event,
                      const std::string& args, const std::string& release_event = {}) const;
  // Starts the program the way a Linux shell does ("wine <Linux path> args"),
  // not through CreateProcessW; returns its exit code. For runs that show no box.
  int RunFromLinux(const std::vector<std::string>& args) const;

  // The fake server's record of the last run, line by line (without the
  // servers' "serve" lines).
  std::vector<std::string> Calls() const;
  // Wrenpost.log, decoded from code page 1250, with every date line checked
  // and replaced by "<date line>".
  std::string Log() const { return LogAt("Wrenpost.log"); }
  // The same for a log elsewhere below the case's folder.
  std::string LogAt(const std::string& file) const;
  // A file of the case as it is.
  std::string ReadText(const std::string& file) const;
  bool LogExists() const;

  // Runs a helper command of the fake server or the runner; returns its exit code.
  static int Wine(const std::vector<std::string>& args);

 private:
  static int WineWith(const std::string& loader, const std::vector<std::string>& args);
  RunResult Execute(const std::string& request) const;
  // Waits (up to 10 s) until every fake server that started has recorded its
  // end; a failure of the test when one has not.
  void WaitForServers() const;

  std::string name_;
  std::string program_folder_;  // "" or "<folder>\" below the case's folder
  std::string exe_name_;
};

// Whether a Windows executable is 32-bit x86 (its PE header's machine).
bool Is32BitExecutable(const std::filesystem::path& exe);

// The header every run writes, for the executable at `exe_win_path`.
std::string ExpectedHeader(const std::string& exe_win_path);

// Code page 1250 bytes, for the files the tests hand the program.
std::string ToCp1250(const std::string& utf8);

// A text as the helpers' reports and the fake server's record escape it
// (backslashes and quotes), and a string argument as that record shows it.
std::string Escaped(const std::string& text);
std::string Bstr(const std::string& text);

}  // namespace wrenpost::wine_test
