// The message body on its way to Thunderbird: a private temporary file that
// Thunderbird reads when it gets to it. A Thunderbird that is already running
// reads it later than the program ends, so the file is left in place and
// removed by a later run once it is a day old.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "clients/thunderbird_compose.h"
#include "platform/mail_clients.h"

namespace wrenpost {

// Names of body files start with this, in their folder of their own.
inline constexpr std::string_view kBodyFilePrefix = "wrenpost-body-";

// The folder for body files: $XDG_RUNTIME_DIR/wrenpost when XDG_RUNTIME_DIR
// names an absolute folder, otherwise $TMPDIR (or /tmp)/wrenpost-<uid>.
std::string BodyFolderPath();

// Creates `folder` with mode 0700 when missing and checks that it is a real
// folder (no symbolic link) owned by this user that nobody else may enter.
// Raises RunError otherwise.
void PreparePrivateFolder(const std::string& folder);

// Whether `folder` is a real folder (no symbolic link) owned by this user
// that nobody else may enter. Never raises.
bool IsPrivateFolder(const std::string& folder) noexcept;

// Removes body files whose last change lies more than kHandedFileLifetime
// before `now`. Anything else in the folder stays. Never raises.
void RemoveStaleBodyFiles(const std::string& folder,
                          std::chrono::system_clock::time_point now) noexcept;

// Writes `body` (UTF-8) to a new file of mode 0600 in `folder`, created
// exclusively, named with kBodyFilePrefix and ".html" or ".txt"; an HTML
// body with the line breaks that it keeps as bare CRs (LineBreaksKeptAsCr).
// Returns its path. Raises RunError with the system's number when it cannot be written.
std::string WriteBodyFile(const std::string& folder, std::string_view body, BodyFormat format);

}  // namespace wrenpost
