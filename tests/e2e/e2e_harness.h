// Runs the real executable in a private temporary folder, the way a caller
// would, and reads what it left behind.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wrenpost::e2e {

struct RunResult {
  int exit_code = -1;  // -1 when the program did not exit normally
  std::string std_out;
  std::string std_err;
};

struct RunOptions {
  // Variables to set (or, with nullopt, remove) on top of this process's
  // environment. DISPLAY and WAYLAND_DISPLAY are removed unless set here, and
  // PATH is an empty folder unless set here, so no desktop tool is reached by accident.
  std::map<std::string, std::optional<std::string>> environment;
  std::optional<std::filesystem::path> working_folder;
  std::string std_in;  // fed to the program; it is never a terminal
};

class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

  // Copies the built program into the sandbox under `name` and returns its path.
  std::filesystem::path InstallProgram(const std::string& name = "wrenpost") const;
  // Writes an executable shell script (for stand-in tools on PATH).
  std::filesystem::path WriteScript(const std::filesystem::path& path, const std::string& body) const;

 private:
  std::filesystem::path dir_;
};

RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// The built executable under test.
std::filesystem::path BuiltProgram();

}  // namespace wrenpost::e2e
