#include "clients/start_watch.h"

#include <cstdio>

#include "clients/thunderbird_profile.h"
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
  if (start.kind == StartOutcome::Kind::kRunning || start.kind == StartOutcome::Kind::kStarted) return std::nullopt;
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

namespace wrenpost {

StartSigns StartSignsOf(ClientName name, Packaging packaging, const std::string& sandbox, const std::string& home) {
  StartSigns signs;
  switch (name) {
    case ClientName::kThunderbird:
    case ClientName::kBetterbird:
      // Betterbird keeps Thunderbird's profile folder.
      signs.profiles_root = ProfilesRoot(home, packaging, sandbox);
      signs.lock_pid_inside = packaging == Packaging::kFlatpak;
      // Its remote service, taken seconds after the lock.
      signs.bus_names = {name == ClientName::kThunderbird ? "org.mozilla.thunderbird." : "org.mozilla.betterbird."};
      break;
    case ClientName::kClawsMail:
      // A snap's home is its own ~/snap/NAME/current.
      signs.held_file =
          (packaging == Packaging::kSnap ? home + "/snap/" + sandbox + "/current" : home) + "/.claws-mail/claws.log";
      break;
    case ClientName::kEvolution:
      signs.bus_names = {"org.gnome.Evolution"};
      break;
    case ClientName::kGeary:
      signs.bus_names = {"org.gnome.Geary"};
      break;
    case ClientName::kKmail:
      signs.bus_names = {"org.kde.kmail2", "org.kde.kmail"};
      break;
    default:
      break;
  }
  return signs;
}

std::optional<long> LockOwner(std::string_view lock_target) {
  const auto mark = lock_target.rfind(":+");
  if (mark == std::string_view::npos) return std::nullopt;
  const std::string_view digits = lock_target.substr(mark + 2);
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  long pid = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    pid = pid * 10 + (c - '0');
  }
  if (pid <= 0) return std::nullopt;
  return pid;
}

bool IsSignBusName(const StartSigns& signs, std::string_view bus_name) {
  for (const std::string& name : signs.bus_names) {
    if (!name.empty() && name.back() == '.') {
      if (bus_name.size() > name.size() && bus_name.substr(0, name.size()) == name) return true;
    } else if (bus_name == name) {
      return true;
    }
  }
  return false;
}

}  // namespace wrenpost
