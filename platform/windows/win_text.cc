#include "platform/windows/win_text.h"

#include <windows.h>

#include <cstdint>

#include "errors/run_error.h"
#include "platform/windows/file_error_number.h"
#include "text/wtf8.h"

namespace wrenpost {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is 16-bit");

std::wstring Widen(std::string_view text) {
  const std::u16string wide = Wtf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(std::wstring_view text) {
  return Utf16ToWtf8(std::u16string(text.begin(), text.end()));
}

std::string SystemMessage(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return {};
  std::wstring text(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return Narrow(text);
}

namespace {

[[noreturn]] void ThrowSystemError(std::int32_t number, unsigned long code, std::string_view path) {
  std::string text = SystemMessage(code);
  if (text.empty()) text = "Błąd systemu " + std::to_string(code) + ".";
  if (!path.empty()) {
    // "... specified." + " (C:\x.txt)" would double the stop: drop it first.
    if (text.ends_with('.')) text.pop_back();
    text.append(": ").append(path);
  }
  throw RunError(number, std::move(text));
}

}  // namespace

void ThrowWin32Error(unsigned long code, std::string_view path) {
  ThrowSystemError(static_cast<std::int32_t>(code), code, path);
}

void ThrowFileError(unsigned long code, std::string_view path) {
  ThrowSystemError(FileErrorNumber(static_cast<std::uint32_t>(code)), code, path);
}

}  // namespace wrenpost
