#include "platform/posix/posix_warning_box.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "platform/posix/posix_spawn_tools.h"

namespace wrenpost {
namespace {

// kdialog reads backslash escapes in its text; a backslash of ours stays one.
std::string DoubleBackslashes(std::string_view text) {
  std::string out;
  for (const char c : text) {
    out += c;
    if (c == '\\') out += '\\';
  }
  return out;
}

// Exit codes of a dialog tool that mean the user closed it: OK, or the
// window's close button.
bool ClosedByUser(const ProgramEnd& end) {
  return end.started && end.exited && (end.exit_code == 0 || end.exit_code == 1);
}

}  // namespace

std::string BoxLines(std::string_view text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  return lines;
}

std::vector<DialogCommand> DialogCommands(std::string_view caption, std::string_view text) {
  const std::string title(caption);
  const std::string lines = BoxLines(text);
  return {
      {"zenity", {"zenity", "--warning", "--no-markup", "--title=" + title, "--text=" + lines}, {}},
      {"kdialog", {"kdialog", "--title", title, "--sorry", DoubleBackslashes(lines)}, {}},
      // xmessage has no icon of its own: the sign leads the text.
      {"xmessage",
       {"xmessage", "-title", title, "-center", "-buttons", "OK:0", "-default", "OK", "-file", "-"},
       "/!\\ " + lines + "\n"},
  };
}

void ConsoleWarningBox::Show(std::string_view caption, std::string_view text) {
  std::cerr << caption << ": \u26A0 " << BoxLines(text) << "\n[OK]" << std::endl;
  if (::isatty(STDIN_FILENO)) {
    std::string ignored;
    std::getline(std::cin, ignored);
  }
}

void DesktopWarningBox::Show(std::string_view caption, std::string_view text) {
  if (HasDisplay()) {
    for (const DialogCommand& command : DialogCommands(caption, text)) {
      const auto program = FindExecutableOnPath(command.program);
      if (!program) continue;
      if (ClosedByUser(RunAndWait(*program, command.arguments, command.input))) return;
    }
  }
  console_.Show(caption, text);
}

}  // namespace wrenpost
