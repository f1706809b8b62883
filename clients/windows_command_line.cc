#include "clients/windows_command_line.h"

#include "clients/client_start.h"
#include "text/wtf8.h"

namespace wrenpost {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string QuoteArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos) {
    return std::string(argument);
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string BuildCommandLine(std::string_view program, const std::vector<std::string>& arguments) {
  std::string line = "\"" + std::string(program) + "\"";
  for (const std::string& argument : arguments) {
    line += ' ';
    line += QuoteArgument(argument);
  }
  return line;
}

std::optional<RunError> CommandLineTooLong(std::string_view program_name, std::string_view command_line) {
  const std::size_t units = Wtf8ToUtf16(command_line).size();
  if (units < kMaxCommandLineUnits) return std::nullopt;
  return RunError(errors::kInvalidCall, "Wiersz poleceń programu " + std::string(program_name) + " miałby " +
                                            std::to_string(units) + " znaków, a Windows przyjmuje najwięcej " +
                                            std::to_string(kMaxCommandLineUnits - 1) +
                                            ": wiadomość nie została otwarta.");
}

std::string ComposeCommandLine(std::string_view program_name, std::string_view executable, const MessageDraft& draft,
                               const std::optional<std::string>& body_file) {
  std::string line = BuildCommandLine(executable, ThunderbirdArguments(draft, body_file));
  if (std::optional<RunError> too_long = CommandLineTooLong(program_name, line)) throw *too_long;
  return line;
}

std::string ExecutableOfCommand(std::string_view command) {
  while (!command.empty() && IsBlank(command.front())) command.remove_prefix(1);
  if (command.empty()) return {};
  if (command.front() == '"') {
    command.remove_prefix(1);
    return std::string(command.substr(0, command.find('"')));
  }
  // An unquoted path may hold blanks ("C:\Program Files\X\x.exe -mail").
  for (std::size_t at = 0; at + 4 <= command.size(); ++at) {
    if (SameIgnoringAsciiCase(command.substr(at, 4), ".exe") &&
        (at + 4 == command.size() || IsBlank(command[at + 4]))) {
      return std::string(command.substr(0, at + 4));
    }
  }
  return std::string(command.substr(0, command.find_first_of(" \t")));
}

std::string_view FileNamePart(std::string_view path) {
  const auto last = path.find_last_of("\\/");
  return last == std::string_view::npos ? path : path.substr(last + 1);
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace wrenpost
