// Command lines of the programs the run starts, quoted by the rules
// CommandLineToArgvW and the C runtime read them back with, and the
// executable read out of a command the registry holds. Pure code.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/message_draft.h"
#include "errors/run_error.h"

namespace wrenpost {

// The longest command line CreateProcessW takes, in UTF-16 units, its
// terminating NUL included.
inline constexpr std::size_t kMaxCommandLineUnits = 32767;

// `argument` as one argument: as it is when it is not empty and holds no
// blank, tab, line break or double quote; otherwise in double quotes, each
// quote inside preceded by a backslash, and each run of backslashes that
// comes before a quote (or before the closing quote) doubled.
std::string QuoteArgument(std::string_view argument);

// The program's path in double quotes (the first argument is read without
// escapes, and a path holds no quote), then each argument quoted, all
// separated by one blank.
std::string BuildCommandLine(std::string_view program, const std::vector<std::string>& arguments);

// The failure report (5) of a command line of `program_name` longer than
// kMaxCommandLineUnits allows: the message is never cut. nullopt when it fits.
std::optional<RunError> CommandLineTooLong(std::string_view program_name, std::string_view command_line);

// The command line that starts Thunderbird or Betterbird (`executable`,
// `program_name` for the report) with `draft` and its body file. Raises
// CommandLineTooLong's report when it would not fit: on Windows the whole
// line is the limit, not Linux's limit of one argument.
std::string ComposeCommandLine(std::string_view program_name, std::string_view executable, const MessageDraft& draft,
                               const std::optional<std::string>& body_file);

// The executable a registered command starts: the text inside its leading
// double quotes; unquoted, the text up to and including the first ".exe"
// (any case) that a blank or the end follows, else up to the first blank.
// Blanks before the command are skipped. Empty for an empty command.
std::string ExecutableOfCommand(std::string_view command);

// What follows the last '\' or '/' of a path.
std::string_view FileNamePart(std::string_view path);

// Whether two texts are equal when ASCII letters are compared in any case,
// as Windows compares the names of files and registry keys.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace wrenpost
