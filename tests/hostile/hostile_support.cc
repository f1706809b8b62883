#include "tests/hostile/hostile_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "tests/e2e/compose_decoder.h"

namespace wrenpost::hostile {

namespace fs = std::filesystem;

std::vector<std::string> LogLines(const std::string& log) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const auto end = log.find("\r\n", start);
    if (end == std::string::npos) {
      if (start < log.size()) lines.push_back(log.substr(start));
      return lines;
    }
    lines.push_back(log.substr(start, end - start));
    start = end + 2;
  }
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

ProgramSandbox::ProgramSandbox() {
  fs::create_directories(temp);
  fs::create_directories(seen);
  sandbox.WriteScript(bin / "thunderbird",
                      "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + (seen / "argv").string() +
                          "'\n"
                          "echo done > '" + (seen / "done").string() + "'\n");
}

e2e::RunOptions ProgramSandbox::Options() const {
  e2e::RunOptions options;
  options.environment["PATH"] = bin.string();
  options.environment["TMPDIR"] = temp.string();
  options.environment["XDG_RUNTIME_DIR"] = std::nullopt;
  return options;
}

e2e::RunResult ProgramSandbox::Launch(const std::vector<std::string>& args) const {
  return e2e::RunProgram(program, args, Options());
}

std::map<std::string, std::string> ProgramSandbox::ComposeFields() const {
  // The program does not wait for Thunderbird.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(seen / "done")) {
    if (std::chrono::steady_clock::now() > deadline) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string argv = e2e::ReadFile(seen / "argv");
  const std::string prefix = std::string("-compose") + '\0';
  if (argv.rfind(prefix, 0) != 0) return {};
  std::string compose = argv.substr(prefix.size());
  if (!compose.empty() && compose.back() == '\0') compose.pop_back();
  return testing::DecodeComposeString(compose);
}

pid_t StartProgram(const fs::path& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment) {
  std::vector<std::string> arg_texts = {program.string()};
  arg_texts.insert(arg_texts.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& text : arg_texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_texts = environment;
  std::vector<char*> envp;
  for (auto& text : env_texts) envp.push_back(text.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program.string());
  return child;
}

int WaitForProgram(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace wrenpost::hostile
