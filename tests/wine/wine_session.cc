#include "wine_session.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "text/cp1250.h"
#include "wrenpost_version.h"

extern char** environ;

namespace wrenpost::wine_test {
namespace fs = std::filesystem;
namespace {

constexpr const char* kToolsWin = "C:\\wrenpost-tools";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

fs::path DriveC() { return fs::path(Env("WINEPREFIX")) / "drive_c"; }
fs::path ToolsUnix() { return DriveC() / "wrenpost-tools"; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string UserName() {
  const passwd* entry = ::getpwuid(::getuid());
  return entry ? entry->pw_name : "";
}

}  // namespace

bool Is32BitExecutable(const fs::path& exe) {
  const std::string bytes = ReadFile(exe);
  if (bytes.size() < 0x40) return false;
  const auto word = [&](std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0 && at + i < bytes.size(); --i) {
      value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
  };
  const std::uint32_t pe = word(0x3C, 4);
  return pe + 6 <= bytes.size() && bytes.compare(pe, 4, std::string("PE\0\0", 4)) == 0 &&
         word(pe + 4, 2) == 0x14C;
}

std::string WineCase::MissingSetting() {
  for (const char* name : {"WRENPOST_WINE", "WINEPREFIX", "WRENPOST_EXE", "DISPLAY"}) {
    if (Env(name).empty()) return std::string(name) + " is not set: run tools/test_windows.sh";
  }
  if (!fs::exists(ToolsUnix() / "wine_runner.exe")) return "the prefix has no helpers";
  if (Is32BitExecutable(Env("WRENPOST_EXE")) && Env("WRENPOST_WINE32").empty()) {
    return "WRENPOST_WINE32 is not set: a 32-bit Wrenpost.exe needs the 32-bit loader";
  }
  return {};
}

WineCase::WineCase(const std::string& name, const std::string& exe_name)
    : WineCase(name, "", exe_name) {}

WineCase::WineCase(const std::string& name, const std::string& program_folder,
                   const std::string& exe_name)
    : name_(name),
      program_folder_(program_folder.empty() ? "" : program_folder + "\\"),
      exe_name_(exe_name) {
  WaitForServers();  // no server of an earlier case may serve this one
  fs::remove_all(UnixPath());
  fs::create_directories(UnixPath(program_folder));
  fs::copy_file(Env("WRENPOST_EXE"), UnixPath(program_folder_ + exe_name_));
  fs::remove(ToolsUnix() / "control.txt");
  fs::remove(ToolsUnix() / "calls.txt");
}

std::string WineCase::WinPath(const std::string& file) const {
  std::string path = "C:\\cases\\" + name_;
  if (!file.empty()) path += "\\" + file;
  return path;
}

fs::path WineCase::UnixPath(const std::string& file) const {
  const auto unix_form = [](std::string text) {
    for (char& c : text) c = c == '\\' ? '/' : c;
    return fs::u8path(text);
  };
  fs::path path = DriveC() / "cases" / unix_form(name_);
  if (!file.empty()) path /= unix_form(file);
  return path;
}

void WineCase::WriteFile(const std::string& file, const std::string& bytes) const {
  WriteBytes(UnixPath(file), bytes);
}

void WineCase::SetFailures(const std::string& control_lines) const {
  WriteBytes(ToolsUnix() / "control.txt", control_lines);
}

int WineCase::Wine(const std::vector<std::string>& args) {
  return WineWith(Env("WRENPOST_WINE"), args);
}

int WineCase::WineWith(const std::string& loader, const std::vector<std::string>& args) {
  // Every Wine run is bounded, so that nothing can hang the suite (a busy
  // server is waited for 30 s).
  std::vector<std::string> command = {"timeout", "-k", "5", "90", loader};
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : command) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawnp(&child, "timeout", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RunResult WineCase::Run(const std::string& args, const std::vector<std::string>& hide) const {
  return RunCommandLine("\"" + ExeWinPath() + "\" " + args, hide);
}

RunResult WineCase::RunCommandLine(const std::string& command_line,
                                   const std::vector<std::string>& hide) const {
  // Every run may take 50 s: a busy server is waited for 30 s, then the box is read.
  std::string request = "app=" + ExeWinPath() + "\ncmdline=" + command_line + "\ntimeout=50000\n";
  for (const std::string& path : hide) request += "hide=" + path + "\n";
  return Execute(request);
}

RunResult WineCase::RunHidden(const std::string& args) const {
  return Execute("app=" + ExeWinPath() + "\ncmdline=\"" + ExeWinPath() + "\" " + args +
                 "\ntimeout=50000\nstart_hidden=1\n");
}

RunResult WineCase::RunTogether(const std::vector<std::string>& args_list) const {
  // Clients that ask for a server that is not running yet can make Wine start
  // two servers and fail one client (E_NOINTERFACE): a first client starts
  // it and keeps it for a few seconds.
  const std::string ready = "WrenpostServerUp";
  std::string request = "app=" + ExeWinPath() + "\ntimeout=50000\nhelper=\"" + kToolsWin +
                        "\\wine_runner.exe\" client " + ready + " 3000\nhelper_ready=" + ready + "\n";
  for (const std::string& args : args_list) request += "cmdline=\"" + ExeWinPath() + "\" " + args + "\n";
  return Execute(request);
}

RunResult WineCase::RunBeside(const std::string& helper_command_line,
                              const std::string& ready_event, const std::string& args,
                              const std::string& release_event) const {
  std::string request = "app=" + ExeWinPath() + "\ncmdline=\"" + ExeWinPath() + "\" " + args +
                        "\ntimeout=50000\nhelper=" + helper_command_line +
                        "\nhelper_ready=" + ready_event + "\n";
  if (!release_event.empty()) request += "helper_release=" + release_event + "\n";
  return Execute(request);
}

int WineCase::RunFromLinux(const std::vector<std::string>& args) const {
  const fs::path exe = UnixPath(program_folder_ + exe_name_);
  std::vector<std::string> command = {exe.string()};
  command.insert(command.end(), args.begin(), args.end());
  const int status =
      WineWith(Env(Is32BitExecutable(exe) ? "WRENPOST_WINE32" : "WRENPOST_WINE"), command);
  WaitForServers();
  return status;
}

RunResult WineCase::Execute(const std::string& request) const {
  WriteFile("request.txt", request);
  fs::remove(UnixPath("report.txt"));
  const int status = Wine({std::string(kToolsWin) + "\\wine_runner.exe", "run",
                           WinPath("request.txt"), WinPath("report.txt")});
  RunResult result;
  for (const std::string& line : Lines(ReadFile(UnixPath("report.txt")))) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) result.report[line.substr(0, equals)] = line.substr(equals + 1);
  }
  if (status != 0 || !result.report.count("exit")) {
    throw std::runtime_error("wine_runner failed (" + std::to_string(status) + ")");
  }
  result.exit_code = std::stoi(result.report["exit"]);
  std::istringstream exits(result.report["exits"]);
  for (std::string code; std::getline(exits, code, ',');) result.exit_codes.push_back(std::stoi(code));
  if (result.report.count("helper_exit")) result.helper_exit = std::stoi(result.report["helper_exit"]);
  result.timed_out = result.report["timed_out"] == "1";
  const int boxes = std::stoi(result.report["boxes"]);
  for (int i = 1; i <= boxes; ++i) {
    const std::string prefix = "box" + std::to_string(i) + ".";
    Box box;
    box.caption = result.report[prefix + "caption"];
    box.text = result.report[prefix + "text"];
    box.buttons = result.report[prefix + "buttons"];
    box.icon = result.report[prefix + "icon"];
    box.foreground = result.report[prefix + "foreground"] == "1";
    box.error = result.report[prefix + "error"];
    result.boxes.push_back(box);
  }
  WaitForServers();
  return result;
}

void WineCase::WaitForServers() const {
  // A server writes its last lines while it shuts down; every one that
  // started must have ended.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    std::size_t started = 0, ended = 0;
    for (const std::string& line : Lines(ReadFile(ToolsUnix() / "calls.txt"))) {
      started += line == "serve";
      ended += line.rfind("exit ", 0) == 0;
    }
    if (started == ended) return;
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "fake servers still running after 10 s: " << started << " started, " << ended
                    << " ended";
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::vector<std::string> WineCase::Calls() const {
  std::vector<std::string> calls;
  for (std::string& line : Lines(ReadFile(ToolsUnix() / "calls.txt"))) {
    if (line != "serve") calls.push_back(std::move(line));
  }
  return calls;
}

bool WineCase::LogExists() const { return fs::exists(UnixPath("Wrenpost.log")); }

std::string WineCase::ReadText(const std::string& file) const { return ReadFile(UnixPath(file)); }

std::string WineCase::LogAt(const std::string& file) const {
  const std::string text = Cp1250ToUtf8(ReadFile(UnixPath(file)));
  static const std::regex date_line(
      R"(\d{4}-([1-9]|1[0-2])-(0[1-9]|[12]\d|3[01]), ([01]\d|2[0-3]):[0-5]\d:[0-5]\d, użytkownik = (.*), komputer = (.+))");
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    std::string line = text.substr(start, end - start);
    std::smatch match;
    if (std::regex_match(line, match, date_line) && match[4] == UserName()) line = "<date line>";
    out += line;
    if (!last) out += "\r\n";
    start = last ? end : end + 2;
  }
  return out;
}

std::string ExpectedHeader(const std::string& exe_win_path) {
  return "\r\n\r\n" + std::string(55, '-') + "\r\n\r\n" + exe_win_path + " (" WRENPOST_VERSION_TEXT ")\r\n<date line>\r\n";
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string Bstr(const std::string& text) { return "VT_BSTR:\"" + Escaped(text) + "\""; }

std::string ToCp1250(const std::string& utf8) {
  // The inverse of Cp1250ToUtf8, found by search: the table has 256 entries.
  std::map<std::string, char> table;
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    table.emplace(Cp1250ToUtf8(one), one[0]);
  }
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const auto found = table.find(utf8.substr(i, length));
    if (found == table.end()) throw std::runtime_error("not in code page 1250: " + utf8);
    out += found->second;
    i += length;
  }
  return out;
}

}  // namespace wrenpost::wine_test
