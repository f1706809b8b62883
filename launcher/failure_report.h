// The single error path of a run: three log entries and one warning box.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/host.h"
#include "errors/run_error.h"
#include "runlog/run_log.h"

namespace wrenpost {

inline constexpr const char* kProgramTitle = "Wrenpost";

// The box text for an error: its own lines for 287 and 429, the generic lines
// with the description for every other number. `mail_client` is the client
// of a route other than Outlook's automation, which those lines name instead
// of MS Outlook ("Thunderbird"; "" when none was found); nullopt keeps
// Outlook's texts.
std::string FailureBoxText(std::int32_t number, const std::string& description,
                           const std::optional<std::string>& mail_client = std::nullopt);

// Logs the error and shows the warning box; returns when the user closed it.
void ReportFailure(const RunError& error, const RunLog& log, WarningBox& box,
                   const std::optional<std::string>& mail_client = std::nullopt);

}  // namespace wrenpost
