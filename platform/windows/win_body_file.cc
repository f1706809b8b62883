#include "platform/windows/win_body_file.h"

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "platform/mail_clients.h"
#include "platform/windows/win_owners.h"
#include "platform/windows/win_text.h"
#include "text/html.h"

namespace wrenpost {
namespace {

constexpr const wchar_t* kPrefix = L"wrenpost-body-";
// kHandedFileLifetime in FILETIME's units of 100 ns.
constexpr ULONGLONG kLifetime =
    static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::seconds>(kHandedFileLifetime).count()) * 10'000'000;

ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

std::string BodyFolder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) ThrowFileError(GetLastError(), "%TEMP%");
  return Narrow(std::wstring(temp, length)) + "Wrenpost";
}

void RemoveStaleBodyFiles(const std::string& folder) noexcept {
  try {
    const std::wstring wide = Widen(folder) + L"\\";
    WIN32_FIND_DATAW found;
    const UniqueFind search(FindFirstFileW((wide + kPrefix + L"*").c_str(), &found));
    if (!search.valid()) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
          Ticks(found.ftLastWriteTime) + kLifetime < Ticks(now)) {
        DeleteFileW((wide + found.cFileName).c_str());
      }
    } while (FindNextFileW(search.get(), &found));
  } catch (...) {
    // A body file left behind is tried again by the next run.
  }
}

std::string WriteBodyFile(const std::string& folder, std::string_view given, BodyFormat format) {
  // Thunderbird reads each LF of an HTML body file as a blank, also in <pre>.
  // (A plain body is written as given: no copy of what may be a large text.)
  std::string kept;
  if (format == BodyFormat::kHtml) kept = LineBreaksKeptAsCr(given);
  const std::string_view body = format == BodyFormat::kHtml ? std::string_view(kept) : given;
  const std::wstring wide_folder = Widen(folder);
  if (!CreateDirectoryW(wide_folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    ThrowFileError(GetLastError(), folder);
  }
  const wchar_t* extension = format == BodyFormat::kHtml ? L".html" : L".txt";
  for (unsigned attempt = 0;; ++attempt) {
    wchar_t unique[40];
    std::swprintf(unique, 40, L"%08lx%08llx%02x", GetCurrentProcessId(), GetTickCount64(), attempt);
    const std::wstring path = wide_folder + L"\\" + kPrefix + unique + extension;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      if (GetLastError() == ERROR_FILE_EXISTS && attempt < 100) continue;
      ThrowFileError(GetLastError(), Narrow(path));
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), body.data(), static_cast<DWORD>(body.size()), &written, nullptr) ||
        written != body.size()) {
      const DWORD error = GetLastError();
      file.reset();
      DeleteFileW(path.c_str());
      ThrowFileError(error, Narrow(path));
    }
    return Narrow(path);
  }
}

void RemoveBodyFile(const std::string& path) noexcept {
  try {
    DeleteFileW(Widen(path).c_str());
  } catch (...) {
  }
}

}  // namespace wrenpost
