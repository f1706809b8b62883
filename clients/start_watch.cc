#include "clients/start_watch.h"

#include <cstdio>

#include "text/utf8.h"

namespace wrenpost {
namespace {

constexpr std::size_t kMaxLineBytes = 400;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

std::string FirstOutputLine(std::string_view output) {
  while (!output.empty()) {
    const auto end = output.find('\n');
    std::string_view line = output.substr(0, end);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    if (!line.empty()) {
      if (line.size() > kMaxLineBytes) {
        std::size_t cut = kMaxLineBytes;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        line = line.substr(0, cut);
      }
      return RepairUtf8(line);
    }
    if (end == std::string_view::npos) break;
    output.remove_prefix(end + 1);
  }
  return {};
}

std::uint32_t HandOverExitCode(ClientName client) { return client == ClientName::kGeary ? 255 : 0; }

std::optional<RunError> StartFailure(std::string_view client_name, const StartOutcome& start,
                                     std::uint32_t handed_over) {
  if (start.kind == StartOutcome::Kind::kRunning) return std::nullopt;
  if (start.kind == StartOutcome::Kind::kExited && (start.code == 0 || start.code == handed_over)) return std::nullopt;
  std::string line = FirstOutputLine(start.output);
  if (line.empty()) {
    const std::string program = "Program " + std::string(client_name);
    if (start.kind == StartOutcome::Kind::kKilled) {
      line = program + " został przerwany zaraz po uruchomieniu (sygnał " + std::to_string(start.code) +
             ") i nie otworzył wiadomości.";
    } else {
      // Windows' crash codes (NTSTATUS) read best in hexadecimal.
      char code[16];
      std::snprintf(code, sizeof code, start.code > 0xFFFF ? "0x%08X" : "%u", static_cast<unsigned>(start.code));
      line = program + " zakończył pracę zaraz po uruchomieniu (kod " + code + ") i nie otworzył wiadomości.";
    }
  }
  return RunError(errors::kCannotCreateObject, std::move(line));
}

}  // namespace wrenpost
