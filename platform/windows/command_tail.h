// The part of a Windows command line that follows the program's name.
#pragma once

#include <string_view>

namespace wrenpost {

// Drops the program's name: it runs to the first blank or control character
// that stands outside double quotes, each double quote switching between
// inside and outside (so "C:\Program Files\W.exe" and C:\"Program Files"\W.exe
// are one name each, and an unclosed quote runs to the end). The blanks and
// control characters after the name go too. The rest, quotes and blanks
// included, is returned as it stands.
std::u16string_view CommandTail(std::u16string_view command_line);

}  // namespace wrenpost
