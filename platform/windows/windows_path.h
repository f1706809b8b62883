// Windows path rules that need no Windows header: pure code, used by the
// Windows file system and the in-memory one of the tests alike.
#pragma once

#include <string_view>

namespace wrenpost {

// Whether a Windows path is absolute ("C:\...", "\\server\share\...", "\\?\..."):
// a path relative to the current folder or drive ("a.pdf", "\a.pdf", "C:a.pdf") is not.
bool IsFullWindowsPath(std::string_view path);

// The part of `path` that names its folder, kept as written: everything up to
// and including the last "\" or "/", or the drive of "C:a.pdf"; empty for a
// bare name. A file name found by a lookup of `path` joins on to it.
std::string_view FolderPart(std::string_view path);

}  // namespace wrenpost
