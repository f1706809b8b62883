// Runs one program under Wine for the end-to-end tests and watches it: starts
// it with a command line passed exactly as given (quotes and blanks kept),
// reads every message box it shows (caption, text, buttons, icon), presses
// OK, and reports what it saw and the exit code.
//
//   wine_runner.exe run <request file> <report file>
//   wine_runner.exe version <executable> <report file>
//
// The request file (UTF-8, WTF-8 for unpaired surrogates) holds lines
//   app=<path of the executable>
//   cmdline=<the whole command line>
//   hide=<path>            a file to mark hidden first (any number)
//   timeout=<milliseconds>
// The report (UTF-8) holds key=value lines; texts are escaped as in the
// fake server's record.
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "helper_text.h"

namespace {

using wrenpost::wine_test::Escape;
using wrenpost::wine_test::ReadWholeFile;
using wrenpost::wine_test::Utf8;
using wrenpost::wine_test::Wide;

struct Report {
  std::ostringstream text;
  void Add(const std::string& key, const std::string& value) { text << key << "=" << value << "\n"; }
  bool Save(const std::wstring& file) const {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const std::string data = text.str();
    DWORD written = 0;
    WriteFile(handle, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(handle);
    return written == data.size();
  }
};

std::wstring WindowText(HWND window) {
  wchar_t text[4096];
  const int length = GetWindowTextW(window, text, 4096);
  return std::wstring(text, length > 0 ? length : 0);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256];
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

struct Search {
  DWORD process_id;
  HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  return TRUE;
}

// Which system icon the static control shows: its pixels on screen against
// each candidate drawn on the same background. Icons are process-local
// objects under Wine, so the handle itself cannot be compared.
std::string IdentifyIcon(HWND icon_control, long* mismatch) {
  RECT rect;
  GetWindowRect(icon_control, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return "none";
  HDC screen = GetDC(nullptr);
  HDC shot = CreateCompatibleDC(screen);
  HBITMAP shot_bitmap = CreateCompatibleBitmap(screen, width, height);
  SelectObject(shot, shot_bitmap);
  BitBlt(shot, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  const COLORREF background = GetPixel(shot, 0, 0);

  const struct {
    const char* name;
    LPCWSTR id;
  } candidates[] = {{"warning", IDI_WARNING},
                    {"error", IDI_ERROR},
                    {"information", IDI_INFORMATION},
                    {"question", IDI_QUESTION}};
  std::string best = "unknown";
  long best_mismatch = -1;
  for (const auto& candidate : candidates) {
    HDC drawn = CreateCompatibleDC(screen);
    HBITMAP drawn_bitmap = CreateCompatibleBitmap(screen, width, height);
    SelectObject(drawn, drawn_bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all = {0, 0, width, height};
    FillRect(drawn, &all, brush);
    DeleteObject(brush);
    DrawIconEx(drawn, 0, 0, LoadIconW(nullptr, candidate.id), 0, 0, 0, nullptr, DI_NORMAL);
    long differ = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) differ += GetPixel(drawn, x, y) != GetPixel(shot, x, y);
    }
    DeleteDC(drawn);
    DeleteObject(drawn_bitmap);
    if (best_mismatch < 0 || differ < best_mismatch) {
      best_mismatch = differ;
      best = candidate.name;
    }
  }
  DeleteDC(shot);
  DeleteObject(shot_bitmap);
  ReleaseDC(nullptr, screen);
  *mismatch = best_mismatch;
  return best;
}

// Reads one box into the report under `prefix`, then presses its OK.
void ReadAndClose(HWND box, const std::string& prefix, Report& report) {
  Sleep(700);  // let it paint
  report.Add(prefix + "caption", Escape(WindowText(box)));
  report.Add(prefix + "foreground", GetForegroundWindow() == box ? "1" : "0");
  report.Add(prefix + "topmost", (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "1" : "0");
  std::vector<HWND> children;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
  std::string buttons, texts, icon = "none";
  long icon_mismatch = -1;
  HWND ok = nullptr;
  for (HWND child : children) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring kind = ClassOf(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (lstrcmpiW(kind.c_str(), L"Button") == 0) {
      const std::wstring caption = WindowText(child);
      buttons += (buttons.empty() ? "" : ",") + Escape(caption);
      if (GetDlgCtrlID(child) == IDOK) ok = child;
    } else if (lstrcmpiW(kind.c_str(), L"Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        icon = IdentifyIcon(child, &icon_mismatch);
      } else if (!WindowText(child).empty()) {
        texts += (texts.empty() ? "" : "|") + Escape(WindowText(child));
      }
    }
  }
  report.Add(prefix + "text", texts);
  report.Add(prefix + "buttons", buttons);
  report.Add(prefix + "icon", icon);
  report.Add(prefix + "icon_mismatch", std::to_string(icon_mismatch));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
}

int Run(const std::wstring& request_file, const std::wstring& report_file) {
  std::string app, command_line;
  DWORD timeout = 30000;
  Report report;
  std::istringstream lines(ReadWholeFile(request_file));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    if (key == "app") app = value;
    if (key == "cmdline") command_line = value;
    if (key == "timeout") timeout = static_cast<DWORD>(std::stoul(value));
    if (key == "hide") {
      const std::wstring path = Wide(value);
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
      const DWORD attributes = GetFileAttributesW(path.c_str());
      report.Add("hidden", attributes != INVALID_FILE_ATTRIBUTES &&
                                   (attributes & FILE_ATTRIBUTE_HIDDEN) ? "1" : "0");
    }
  }
  const std::wstring wide_app = Wide(app);
  std::wstring wide_line = Wide(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(wide_app.c_str(), wide_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    report.Add("start_error", std::to_string(GetLastError()));
    report.Save(report_file);
    return 2;
  }
  const DWORD started = GetTickCount();
  int boxes = 0;
  bool timed_out = false;
  while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
    if (GetTickCount() - started > timeout) {
      timed_out = true;
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
    Search search{process.dwProcessId};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) continue;
    ++boxes;
    ReadAndClose(search.found, "box" + std::to_string(boxes) + ".", report);
    // Wait for that box to go before looking for another.
    for (int i = 0; i < 100 && IsWindow(search.found) && IsWindowVisible(search.found); ++i) Sleep(50);
  }
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  report.Add("boxes", std::to_string(boxes));
  report.Add("timed_out", timed_out ? "1" : "0");
  report.Add("exit", std::to_string(exit_code));
  return report.Save(report_file) ? 0 : 3;
}

// The version record of an executable: the fixed part and the strings.
int Version(const std::wstring& executable, const std::wstring& report_file) {
  Report report;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(executable.c_str(), &ignored);
  std::vector<unsigned char> data(size);
  if (size == 0 || !GetFileVersionInfoW(executable.c_str(), 0, size, data.data())) {
    report.Add("error", std::to_string(GetLastError()));
    report.Save(report_file);
    return 2;
  }
  void* block = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", &block, &length)) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
    report.Add("fixed", std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                            std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                            std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                            std::to_string(LOWORD(fixed->dwFileVersionLS)));
  }
  if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &block, &length) && length >= 4) {
    const auto* pair = static_cast<const WORD*>(block);
    char text[16];
    wsprintfA(text, "%04X%04X", pair[0], pair[1]);
    report.Add("translation", text);
    const std::wstring table = L"\\StringFileInfo\\" + Wide(text) + L"\\";
    for (const wchar_t* name : {L"FileDescription", L"FileVersion", L"InternalName",
                                L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
      if (VerQueryValueW(data.data(), (table + name).c_str(), &block, &length)) {
        report.Add(Utf8(name), Escape(static_cast<const wchar_t*>(block)));
      }
    }
  }
  return report.Save(report_file) ? 0 : 3;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && lstrcmpW(argv[1], L"run") == 0) return Run(argv[2], argv[3]);
  if (argc == 4 && lstrcmpW(argv[1], L"version") == 0) return Version(argv[2], argv[3]);
  return 1;
}
