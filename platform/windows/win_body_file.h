// The message body on its way to Thunderbird on Windows: a file of the
// user's own that Thunderbird reads when it gets to it. A Thunderbird that is
// already running reads it after the run has ended, so the file stays, and a
// later run removes it once it is a day old.
#pragma once

#include <string>
#include <string_view>

#include "clients/thunderbird_compose.h"

namespace wrenpost {

// %TEMP%\Wrenpost: below the user's own temporary folder, which only the
// user (and administrators) may enter.
std::string BodyFolder();

// Removes the folder's body files last written more than a day ago. Never raises.
void RemoveStaleBodyFiles(const std::string& folder) noexcept;

// Writes `body` (UTF-8) to a new file in `folder` (made when missing), named
// "wrenpost-body-" and a unique part, ending ".html" or ".txt"; an HTML body
// with the line breaks that it keeps as bare CRs (LineBreaksKeptAsCr).
// Returns its path. Raises the file error when it cannot be written.
std::string WriteBodyFile(const std::string& folder, std::string_view body, BodyFormat format);

// Removes a body file nobody will read. Never raises.
void RemoveBodyFile(const std::string& path) noexcept;

}  // namespace wrenpost
