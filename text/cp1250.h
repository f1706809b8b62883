// Windows-1250, the code page of the program's Polish-speaking users: the
// legacy encoding assumed for body files on systems without an ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

std::string Cp1250ToUtf8(std::string_view bytes);

}  // namespace wrenpost
