#include "platform/windows/win_host.h"

#include <windows.h>

#include <string>
#include <vector>

#include "errors/run_error.h"
#include "platform/windows/command_tail.h"
#include "platform/windows/startup_show_state.h"
#include "platform/windows/win_owners.h"
#include "platform/windows/win_text.h"

namespace wrenpost {
namespace {

constexpr DWORD kNameBufferSize = 1024;

// The raw buffer of an "A" name query, converted from the ANSI code page;
// the reader cuts it at the first NUL.
template <typename Query>
std::string NameBuffer(Query query) {
  std::vector<char> buffer(kNameBufferSize, '\0');
  DWORD size = kNameBufferSize;
  if (!query(buffer.data(), &size)) ThrowWin32Error(GetLastError());
  std::wstring wide(kNameBufferSize, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, buffer.data(), static_cast<int>(buffer.size()),
                                         wide.data(), static_cast<int>(wide.size()));
  if (length <= 0) ThrowWin32Error(GetLastError());
  wide.resize(static_cast<std::size_t>(length));
  return Narrow(wide);
}

}  // namespace

std::string WindowsNameQueries::QueryUserName() {
  return NameBuffer([](char* buffer, DWORD* size) { return GetUserNameA(buffer, size) != 0; });
}

std::string WindowsNameQueries::QueryComputerName() {
  return NameBuffer([](char* buffer, DWORD* size) { return GetComputerNameA(buffer, size) != 0; });
}

LocalDateTime WindowsClock::Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::string WindowsProcess::CommandText() {
  const wchar_t* line = GetCommandLineW();
  if (line == nullptr) return {};
  const std::wstring_view whole(line);
  const std::u16string_view tail =
      CommandTail({reinterpret_cast<const char16_t*>(whole.data()), whole.size()});
  return Narrow({reinterpret_cast<const wchar_t*>(tail.data()), tail.size()});
}

std::string WindowsProcess::ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {  // a full buffer may have cut the path short
      path.resize(length);
      return Narrow(path);
    }
    if (path.size() >= 32768 * 2) return {};  // longer than any Windows path
    path.resize(path.size() * 2);
  }
}

VersionTriple WindowsProcess::Version() {
  const std::wstring path = Widen(ExecutablePath());
  if (path.empty()) return {};
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  void* block = nullptr;
  UINT block_size = 0;
  if (!VerQueryValueW(data.data(), L"\\", &block, &block_size) ||
      block_size < sizeof(VS_FIXEDFILEINFO)) {
    return {};
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
  return {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
          HIWORD(fixed->dwFileVersionLS)};
}

namespace {

// Keeps the window hidden whatever it is asked: ShowWindow still takes the
// caller's show state from it, but the window never appears or activates.
LRESULT CALLBACK NeverShownProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_WINDOWPOSCHANGING) {
    auto* position = reinterpret_cast<WINDOWPOS*>(lparam);
    position->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    position->flags |= SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Spends the caller's startup show state (see startup_show_state.h) the
// documented way, with SW_SHOWDEFAULT, on a top-level window of the
// program's own that stays invisible, so that the box after it is shown as
// it asks.
void UseUpStartupShowState() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  if (!MustUseUpStartupShowState((startup.dwFlags & STARTF_USESHOWWINDOW) != 0, startup.wShowWindow)) {
    return;
  }
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = NeverShownProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"WrenpostStartupState";
  RegisterClassExW(&window_class);  // fails harmlessly when already registered
  const UniqueWindow window(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, window_class.lpszClassName,
                                            L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr));
  if (window.get() != nullptr) ShowWindow(window.get(), SW_SHOWDEFAULT);
}

}  // namespace

void WindowsWarningBox::Show(std::string_view caption, std::string_view text) {
  UseUpStartupShowState();
  const std::wstring wide_caption = Widen(caption);
  const std::wstring wide_text = Widen(text);
  MessageBoxW(nullptr, wide_text.c_str(), wide_caption.c_str(),
              MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace wrenpost
