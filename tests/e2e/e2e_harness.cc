#include "tests/e2e/e2e_harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/e2e/compose_decoder.h"

extern char** environ;

namespace wrenpost::e2e {
namespace fs = std::filesystem;

namespace {

// Owns the texts behind an argv or envp array.
class TextVector {
 public:
  explicit TextVector(std::vector<std::string> texts) : texts_(std::move(texts)) {
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
  }
  char* const* get() const { return pointers_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};

// Ours, without a display, with an empty PATH and a desktop of the
// sandbox's own (home, XDG folders), then the overrides.
std::vector<std::string> ProgramEnvironment(const fs::path& program, const RunOptions& options) {
  std::map<std::string, std::optional<std::string>> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const auto equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  variables.erase("DISPLAY");
  variables.erase("WAYLAND_DISPLAY");
  variables["PATH"] = (program.parent_path() / ".empty-path").string();
  const fs::path desktop = program.parent_path();
  variables["HOME"] = (desktop / "home").string();
  variables["XDG_CONFIG_DIRS"] = (desktop / "xdg" / "etc").string();
  variables["XDG_DATA_DIRS"] = (desktop / "xdg" / "share").string();
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CURRENT_DESKTOP", "FLATPAK_SYSTEM_DIR"}) {
    variables.erase(name);
  }
  for (const auto& [name, value] : options.environment) variables[name] = value;
  std::vector<std::string> texts;
  for (const auto& [name, value] : variables) {
    if (value) texts.push_back(name + "=" + *value);
  }
  return texts;
}

// The stand-in tools do not wait for anything: this is generous for a loaded machine.
constexpr auto kStandInWait = std::chrono::seconds(60);

}  // namespace

Sandbox::Sandbox() {
  fs::create_directory(dir() / ".empty-path");
  fs::create_directory(dir() / "home");
  fs::create_directory(dir() / ".runs");  // so runs work after a test has locked the sandbox itself
}

fs::path Sandbox::InstallProgram(const std::string& name) const {
  const fs::path target = dir() / name;
  fs::copy_file(BuiltProgram(), target, fs::copy_options::overwrite_existing);
  fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  return target;
}

fs::path Sandbox::WriteScript(const fs::path& path, const std::string& body) const {
  fs::create_directories(path.parent_path());
  WriteFile(path, "#!/bin/sh\n" + body);
  fs::permissions(path, fs::perms::owner_all);
  return path;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

fs::path BuiltProgram() { return WRENPOST_BUILT_PROGRAM; }

std::string RecordArgumentsIn(const fs::path& record) {
  return "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + record.string() + "'\n";
}

std::vector<std::string> RecordedArguments(const fs::path& record) {
  const std::string text = ReadFile(record);
  std::vector<std::string> arguments;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    arguments.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

StartedProgram StartProgram(const fs::path& program, const std::vector<std::string>& args,
                            const RunOptions& options) {
  // Output goes to files, so a chatty program can never block on a full pipe;
  // each start has its own, so that programs can run side by side.
  static std::atomic<int> starts = 0;
  const fs::path runs = program.parent_path() / ".runs";
  fs::create_directories(runs);
  const std::string name = std::to_string(++starts);
  StartedProgram started{.std_out = runs / (name + ".out"), .std_err = runs / (name + ".err")};
  const fs::path in_path = runs / (name + ".in");
  WriteFile(in_path, options.std_in);

  std::vector<std::string> arg_texts = {program.string()};
  arg_texts.insert(arg_texts.end(), args.begin(), args.end());
  const TextVector argv(std::move(arg_texts));
  const TextVector envp(ProgramEnvironment(program, options));

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, started.std_out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, started.std_err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const fs::path here = fs::current_path();
  fs::current_path(
      options.working_folder.value_or(program.parent_path()));  // no portable chdir action
  const int spawned =
      ::posix_spawn(&started.pid, program.c_str(), &actions, nullptr, argv.get(), envp.get());
  fs::current_path(here);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program.string());
  return started;
}

RunResult WaitForProgram(const StartedProgram& started) {
  int status = 0;
  while (::waitpid(started.pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  RunResult result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.std_out = ReadFile(started.std_out);
  result.std_err = ReadFile(started.std_err);
  return result;
}

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args,
                     const RunOptions& options) {
  return WaitForProgram(StartProgram(program, args, options));
}

ThunderbirdSandbox::ThunderbirdSandbox()
    : body_folder(temp / ("wrenpost-" + std::to_string(::geteuid()))) {
  fs::create_directories(temp);
  fs::create_directories(seen);
}

void ThunderbirdSandbox::InstallThunderbird() const { InstallStandIn(bin / "thunderbird"); }

void ThunderbirdSandbox::InstallStandIn(const fs::path& path, const std::string& ending) const {
  sandbox.WriteScript(path,
                      "PATH=/usr/bin:/bin\n"  // the program's PATH holds only the stand-ins
                          + RecordArgumentsIn(seen / "argv") + "cat '" + body_folder.string() +
                          "'/wrenpost-body-* > '" + (seen / "body").string() +
                          "' 2>/dev/null\n"
                          "echo done > '" +
                          (seen / "done").string() + "'\n" + ending + "\n");
}

void ThunderbirdSandbox::WriteDesktopFile(const std::string& id, const std::string& exec) const {
  fs::create_directories(applications);
  WriteFile(applications / id, "[Desktop Entry]\nType=Application\nName=Poczta\nExec=" + exec +
                                   "\nMimeType=x-scheme-handler/mailto;\n");
}

void ThunderbirdSandbox::SetMailtoDefault(const std::string& ids, const fs::path& list) const {
  const fs::path path = list.empty() ? home / ".config/mimeapps.list" : list;
  fs::create_directories(path.parent_path());
  WriteFile(path, "[Default Applications]\nx-scheme-handler/mailto=" + ids + "\n");
}

std::vector<std::string> ThunderbirdSandbox::ClientArguments() const {
  const auto deadline = std::chrono::steady_clock::now() + kStandInWait;
  while (!fs::exists(seen / "done")) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("the stand-in client did not finish: " + (seen / "done").string());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return RecordedArguments(seen / "argv");
}

RunOptions ThunderbirdSandbox::Options(bool display) const {
  RunOptions options;
  options.environment["PATH"] = bin.string();
  options.environment["TMPDIR"] = temp.string();
  options.environment["XDG_RUNTIME_DIR"] = std::nullopt;
  if (display) options.environment["DISPLAY"] = ":99";
  return options;
}

RunResult ThunderbirdSandbox::Launch(const std::vector<std::string>& args) const {
  return RunProgram(program, args, Options());
}

std::map<std::string, std::string> ThunderbirdSandbox::ComposeFields() const {
  const std::vector<std::string> argv = ClientArguments();
  EXPECT_GE(argv.size(), 2u);
  if (argv.size() < 2) return {};
  const std::string& text = argv.back();
  EXPECT_EQ(argv[argv.size() - 2], "-compose");
  EXPECT_THAT(text, ::testing::StartsWith("to="));
  EXPECT_EQ(text.find_first_of("'\""), std::string::npos) << text.substr(0, 200);
  return testing::DecodeComposeString(text);
}

}  // namespace wrenpost::e2e
