// Runs the real executable in a private temporary folder, the way a caller
// would, and reads what it left behind.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace wrenpost::e2e {

struct RunResult {
  int exit_code = -1;  // -1 when the program did not exit normally
  std::string std_out;
  std::string std_err;
};

struct RunOptions {
  // Variables to set (or, with nullopt, remove) on top of this process's
  // environment. DISPLAY and WAYLAND_DISPLAY are removed unless set here,
  // PATH is an empty folder, HOME the sandbox's "home" and the XDG folders
  // its "xdg/etc" and "xdg/share" unless set here, so no desktop tool, mail
  // client or desktop setting of this machine is reached by accident.
  std::map<std::string, std::optional<std::string>> environment;
  std::optional<std::filesystem::path> working_folder;
  std::string std_in;  // fed to the program; it is never a terminal
};

class Sandbox {
 public:
  Sandbox();

  const std::filesystem::path& dir() const { return folder_.path(); }
  std::filesystem::path operator/(const std::string& name) const { return dir() / name; }

  // Copies the built program into the sandbox under `name` and returns its path.
  std::filesystem::path InstallProgram(const std::string& name = "wrenpost") const;
  // Writes an executable shell script (for stand-in tools on PATH).
  std::filesystem::path WriteScript(const std::filesystem::path& path, const std::string& body) const;

 private:
  test_support::TempFolder folder_{"wrenpost-e2e"};
};

// A program started and not yet waited for; its output goes to files of its own.
struct StartedProgram {
  pid_t pid = -1;
  std::filesystem::path std_out;
  std::filesystem::path std_err;
};

StartedProgram StartProgram(const std::filesystem::path& program,
                            const std::vector<std::string>& args, const RunOptions& options = {});
RunResult WaitForProgram(const StartedProgram& started);
RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// The built executable under test.
std::filesystem::path BuiltProgram();

// Shell text for a stand-in tool: records its arguments, NUL-separated, in `record`.
std::string RecordArgumentsIn(const std::filesystem::path& record);
// The arguments so recorded.
std::vector<std::string> RecordedArguments(const std::filesystem::path& record);

// A sandbox with the program, a bin folder that is the program's whole PATH
// and a TMPDIR of its own. InstallThunderbird() puts there a Thunderbird that
// records its arguments (NUL-separated) in seen/argv and the body files it
// could read in seen/body, and writes seen/done last of all.
struct ThunderbirdSandbox {
  Sandbox sandbox;
  std::filesystem::path program = sandbox.InstallProgram();
  std::filesystem::path log = sandbox / "Wrenpost.log";
  std::filesystem::path bin = sandbox / "bin";
  std::filesystem::path temp = sandbox / "tmp";
  std::filesystem::path seen = sandbox / "seen";  // what the stand-in Thunderbird saw
  std::filesystem::path body_folder;              // where the program leaves body files

  std::filesystem::path home = sandbox / "home";                    // the program's HOME
  std::filesystem::path applications = sandbox / "xdg/share/applications";  // a folder of XDG_DATA_DIRS

  ThunderbirdSandbox();
  void InstallThunderbird() const;
  // The same recording client at `path` (a snap's launcher, a "flatpak"),
  // which then runs `ending` (an exit, an error line, a long sleep).
  void InstallStandIn(const std::filesystem::path& path, const std::string& ending = "") const;
  // A desktop file `id` of a mail client started by `exec`, and the desktop's
  // mailto: default set to `ids` in `list` (the user's mimeapps.list).
  void WriteDesktopFile(const std::string& id, const std::string& exec) const;
  void SetMailtoDefault(const std::string& ids, const std::filesystem::path& list = {}) const;
  // The arguments the last client got: waits for seen/done like ComposeFields.
  std::vector<std::string> ClientArguments() const;
  // With a display unless told otherwise: without one no client is started.
  RunOptions Options(bool display = true) const;
  RunResult Launch(const std::vector<std::string>& args) const;
  // The "-compose" fields of the last Thunderbird run (its last two
  // arguments). A Thunderbird still running may write seen/done after the
  // program has ended, so this waits for it and throws when it does not come.
  std::map<std::string, std::string> ComposeFields() const;
};

}  // namespace wrenpost::e2e
