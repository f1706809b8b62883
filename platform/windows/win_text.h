// Text at the Windows edge: UTF-8 (WTF-8) inside, UTF-16 for the "W" calls,
// the ANSI code page for the "A" calls and the log.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The system's message for an error code (a Win32 error or an HRESULT),
// without its trailing line break; empty when the system has none.
std::string SystemMessage(unsigned long code);

// A RunError for a failed Win32 call: the error code and the system's message,
// followed by the path it concerns, if any.
[[noreturn]] void ThrowWin32Error(unsigned long code, std::string_view path = {});

// The same for a failed file operation, numbered as the callers' runtime
// numbers file errors (53 file not found, 70 permission denied, ...).
[[noreturn]] void ThrowFileError(unsigned long code, std::string_view path);

}  // namespace wrenpost
