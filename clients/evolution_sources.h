// Evolution's sending identities: one key file per source in
// ~/.config/evolution/sources/*.source; an identity has a [Mail Identity]
// group (Address, Name) beside its [Data Source] (DisplayName, Enabled). Pure code.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "clients/mail_identity.h"

namespace wrenpost {

// The identity a source file describes, keyed by `uid` (the file's name
// without ".source"); nullopt for any other source, a disabled identity, or
// one without an address.
std::optional<MailIdentity> EvolutionIdentity(std::string_view source_file, const std::string& uid);

}  // namespace wrenpost
