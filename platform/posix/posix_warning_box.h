// The warning box on POSIX systems: a desktop dialog when there is a display
// and a dialog tool, otherwise the terminal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace wrenpost {

// The text as the box shows it: each CR LF becomes a line break.
std::string BoxLines(std::string_view text);

// One way to show the box: a program, its argument vector and what goes to
// its standard input.
struct DialogCommand {
  std::string program;
  std::vector<std::string> arguments;  // arguments[0] is the program's name
  std::string input;
};

// In order of preference: zenity, kdialog, xmessage. Each shows the caption,
// the text, a warning sign and one OK button, and runs until it is closed.
std::vector<DialogCommand> DialogCommands(std::string_view caption, std::string_view text);

// Writes the caption, a warning sign and the text to standard error; waits for
// Enter when standard input is a terminal.
class ConsoleWarningBox final : public WarningBox {
 public:
  void Show(std::string_view caption, std::string_view text) override;
};

// With DISPLAY or WAYLAND_DISPLAY set, the first dialog tool on PATH that
// starts and ends normally (closed by the user); otherwise, or when none
// does, the console box.
class DesktopWarningBox final : public WarningBox {
 public:
  void Show(std::string_view caption, std::string_view text) override;

 private:
  ConsoleWarningBox console_;
};

}  // namespace wrenpost
