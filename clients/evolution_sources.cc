#include "clients/evolution_sources.h"

#include "clients/key_file.h"

namespace wrenpost {

std::optional<MailIdentity> EvolutionIdentity(std::string_view source_file, const std::string& uid) {
  const std::vector<KeyFileGroup> groups = ParseKeyFile(source_file);
  const KeyFileGroup* source = FindGroup(groups, "Data Source");
  const KeyFileGroup* identity = FindGroup(groups, "Mail Identity");
  if (!source || !identity) return std::nullopt;
  const auto value = [](const KeyFileGroup& group, std::string_view key) {
    const std::string* found = group.Find(key);
    return found ? UnescapedValue(*found) : std::string();
  };
  if (value(*source, "Enabled") == "false") return std::nullopt;
  MailIdentity found{uid, value(*source, "DisplayName"), value(*identity, "Name"), value(*identity, "Address")};
  if (found.address.empty()) return std::nullopt;
  return found;
}

}  // namespace wrenpost
