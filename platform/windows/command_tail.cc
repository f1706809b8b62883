#include "platform/windows/command_tail.h"

namespace wrenpost {

std::u16string_view CommandTail(std::u16string_view command_line) {
  std::size_t i = 0;
  const std::size_t end = command_line.size();
  // The program's name: quotes switch a "within quotes" state, in which blanks
  // do not end the name.
  bool quoted = false;
  while (i < end && (command_line[i] > u' ' || quoted)) {
    if (command_line[i] == u'"') quoted = !quoted;
    ++i;
  }
  while (i < end && command_line[i] <= u' ') ++i;
  return command_line.substr(i);
}

}  // namespace wrenpost
