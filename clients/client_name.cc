#include "clients/client_name.h"

#include <array>
#include <utility>

namespace wrenpost {
namespace {

constexpr std::array<std::pair<ClientName, std::string_view>, 9> kNames = {{
    {ClientName::kOutlook, "outlook"},
    {ClientName::kAuto, "auto"},
    {ClientName::kMapi, "mapi"},
    {ClientName::kThunderbird, "thunderbird"},
    {ClientName::kBetterbird, "betterbird"},
    {ClientName::kEvolution, "evolution"},
    {ClientName::kKmail, "kmail"},
    {ClientName::kClawsMail, "claws-mail"},
    {ClientName::kGeary, "geary"},
}};

bool SameInAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (c != b[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<ClientName> ParseClientName(std::string_view value) {
  if (value.empty()) return ClientName::kDefault;
  for (const auto& [name, text] : kNames) {
    if (SameInAsciiCase(value, text)) return name;
  }
  return std::nullopt;
}

std::string_view ClientNameText(ClientName name) {
  for (const auto& [known, text] : kNames) {
    if (known == name) return text;
  }
  return {};
}

std::string_view KnownClientNames() {
  return "outlook, auto, mapi, thunderbird, betterbird, evolution, kmail, claws-mail, geary";
}

}  // namespace wrenpost
