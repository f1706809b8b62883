#include "platform/windows/win_file_system.h"

#include <windows.h>

#include <chrono>
#include <climits>
#include <optional>
#include <string>

#include "errors/run_error.h"
#include "platform/windows/windows_path.h"
#include "platform/windows/win_owners.h"
#include "platform/windows/win_text.h"
#include "text/cp1250.h"

namespace wrenpost {
namespace {

constexpr DWORD kNotNormal =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_NO_MORE_FILES;
}

// Text in the ANSI code page; what it cannot show becomes "?".
std::string ToAnsi(std::string_view text) {
  const std::wstring wide = Widen(text);
  if (wide.empty()) return {};
  if (wide.size() > INT_MAX) throw RunError(errors::kOutOfMemory);
  const int wide_length = static_cast<int>(wide.size());
  // No "best fit" (ż shown as z): what the code page lacks becomes "?". A UTF-8
  // code page (a system setting) lacks nothing and takes neither option.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* replacement = utf8 ? nullptr : "?";
  const int length = WideCharToMultiByte(CP_ACP, flags, wide.data(), wide_length, nullptr, 0,
                                         replacement, nullptr);
  if (length <= 0) ThrowWin32Error(GetLastError());
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), wide_length, ansi.data(), length, replacement,
                      nullptr);
  return ansi;
}

// The name of the first normal file a directory lookup of `path` finds.
std::optional<std::wstring> FirstNormalFile(const std::string& path) {
  // An empty list element never finds whatever lies in the current folder.
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  const std::wstring pattern = Widen(path);
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW(pattern.c_str(), &found));
  if (!find.valid()) {
    const DWORD error = GetLastError();
    if (IsMissing(error)) return std::nullopt;
    ThrowFileError(error, path);
  }
  for (;;) {
    if ((found.dwFileAttributes & kNotNormal) == 0) return std::wstring(found.cFileName);
    if (!FindNextFileW(find.get(), &found)) {
      const DWORD error = GetLastError();
      if (IsMissing(error)) return std::nullopt;
      ThrowFileError(error, path);
    }
  }
}

}  // namespace

bool WindowsFileSystem::FileExists(const std::string& path) { return FirstNormalFile(path).has_value(); }

std::string WindowsFileSystem::ReadBytes(const std::string& path) {
  const std::wstring name = Widen(path);
  UniqueHandle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) ThrowFileError(GetLastError(), path);
  std::string bytes;
  char chunk[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) {
      ThrowFileError(GetLastError(), path);
    }
    if (got == 0) break;
    bytes.append(chunk, got);
  }
  return bytes;
}

void WindowsFileSystem::RemoveFile(const std::string& path) {
  const std::wstring name = Widen(path);
  if (!DeleteFileW(name.c_str())) ThrowFileError(GetLastError(), path);
}

std::string WindowsFileSystem::FoundFilePath(const std::string& path) {
  const std::optional<std::wstring> name = FirstNormalFile(path);
  if (!name) ThrowFileError(ERROR_FILE_NOT_FOUND, path);
  const std::string found = std::string(FolderPart(path)) + Narrow(*name);
  if (IsFullWindowsPath(found)) return found;
  const std::wstring relative = Widen(found);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) ThrowFileError(GetLastError(), path);
    if (length < full.size()) {
      full.resize(length);
      return Narrow(full);
    }
    full.resize(length);  // the size it needs, with its NUL
  }
}

void WindowsFileSystem::AppendText(const std::string& path, std::string_view text) {
  const std::string ansi = ToAnsi(text);
  if (ansi.size() > MAXDWORD) throw RunError(errors::kOutOfMemory);
  const std::wstring name = Widen(path);
  UniqueHandle file;
  DWORD refused = ERROR_SUCCESS;
  const bool taken = TakeLog(
      log_wait_,
      [&] {
        // No write sharing: one writer at a time. Windows appends atomically
        // through FILE_APPEND_DATA alone, but Wine does not, and entries of
        // runs writing at once were torn there; a waiting run tries again.
        file.reset(CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid()) return LogTry::kTaken;
        refused = GetLastError();
        if (refused != ERROR_SHARING_VIOLATION && refused != ERROR_LOCK_VIOLATION) {
          ThrowWin32Error(refused, path);
        }
        return LogTry::kHeld;
      },
      [](std::chrono::milliseconds pause) { Sleep(static_cast<DWORD>(pause.count())); });
  if (!taken) ThrowWin32Error(refused, path);
  DWORD written = 0;
  if (!WriteFile(file.get(), ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr)) {
    ThrowWin32Error(GetLastError(), path);
  }
  if (written != ansi.size()) ThrowWin32Error(ERROR_WRITE_FAULT, path);
  log_wait_.EntryWritten();
}

std::string WindowsFileSystem::DecodeLegacyText(std::string_view bytes) {
  if (bytes.empty()) return {};
  // Decoding as UTF-8 what is not UTF-8 would only break it: with the code
  // page set to UTF-8, the legacy text is taken as Windows-1250.
  if (GetACP() == CP_UTF8) return Cp1250ToUtf8(bytes);
  if (bytes.size() > INT_MAX) throw RunError(errors::kOutOfMemory);
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) ThrowWin32Error(GetLastError());
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), length);
  return Narrow(wide);
}

}  // namespace wrenpost
