// The error number of a failed file operation, as the Visual Basic runtime of
// the program's callers numbers file errors. Pure code, tested on any host.
#pragma once

#include <cstdint>

namespace wrenpost {

// For a Win32 error code: file not found 53, path not found 76, access denied
// or a sharing or lock violation 70, a bad file name 52, a drive that is not
// ready 71, anything else 75.
std::int32_t FileErrorNumber(std::uint32_t win32_error);

}  // namespace wrenpost
