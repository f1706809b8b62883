#include "tests/e2e/e2e_harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace wrenpost::e2e {
namespace fs = std::filesystem;

Sandbox::Sandbox() {
  std::string pattern = (fs::temp_directory_path() / "wrenpost-e2e-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  fs::create_directory(dir_ / ".empty-path");
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  // Tests may leave folders without write permission behind.
  for (auto it = fs::recursive_directory_iterator(dir_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(dir_, ignored);
}

fs::path Sandbox::InstallProgram(const std::string& name) const {
  const fs::path target = dir_ / name;
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

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args,
                     const RunOptions& options) {
  // The environment: ours, without a display and with an empty PATH, then the overrides.
  std::map<std::string, std::optional<std::string>> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const auto equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  variables.erase("DISPLAY");
  variables.erase("WAYLAND_DISPLAY");
  const fs::path sandbox_root = program.parent_path();
  variables["PATH"] = (sandbox_root / ".empty-path").string();
  for (const auto& [name, value] : options.environment) variables[name] = value;
  std::vector<std::string> env_texts;
  for (const auto& [name, value] : variables) {
    if (value) env_texts.push_back(name + "=" + *value);
  }
  std::vector<char*> envp;
  for (auto& text : env_texts) envp.push_back(text.data());
  envp.push_back(nullptr);

  std::vector<std::string> arg_texts = {program.string()};
  arg_texts.insert(arg_texts.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& text : arg_texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  // Output goes to files, so a chatty program can never block on a full pipe.
  const fs::path out_path = sandbox_root / ".stdout";
  const fs::path err_path = sandbox_root / ".stderr";
  const fs::path in_path = sandbox_root / ".stdin";
  WriteFile(in_path, options.std_in);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const fs::path cwd = options.working_folder.value_or(sandbox_root);
  const fs::path here = fs::current_path();
  fs::current_path(cwd);  // posix_spawn of glibc 2.36 has no chdir action
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  fs::current_path(here);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program.string());

  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  RunResult result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.std_out = ReadFile(out_path);
  result.std_err = ReadFile(err_path);
  return result;
}

}  // namespace wrenpost::e2e
