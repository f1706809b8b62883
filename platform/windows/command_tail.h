// The part of a Windows command line that follows the program's name.
#pragma once

#include <string_view>

namespace wrenpost {

// Drops the program's name the way the C runtime does for WinMain: a first
// token that starts with a double quote runs to the next double quote (or the
// end), an unquoted one to the first blank or control character; blanks and
// control characters after it go too. The rest, quotes and blanks included, is
// returned as it stands.
std::u16string_view CommandTail(std::u16string_view command_line);

}  // namespace wrenpost
