// Runs one program under Wine for the end-to-end tests and watches it: starts
// it with a command line passed exactly as given (quotes and blanks kept),
// reads every message box it shows (caption, text, buttons, icon) once it is
// wholly on the screen, presses OK, and reports what it saw and the exit code.
//
//   wine_runner.exe run <request file> <report file>
//   wine_runner.exe version <executable> <report file>
//   wine_runner.exe client <ready event> <hold ms>
//       activates "Outlook.Application", sets the named event, keeps the
//       object for the given time (a server already running for the runs)
//
// The request file (UTF-8, WTF-8 for unpaired surrogates) holds lines
//   app=<path of the executable>
//   cmdline=<the whole command line>   several lines: that many runs of the
//                          program, all started at the same moment
//   hide=<path>            a file to mark hidden first (any number)
//   timeout=<milliseconds>
//   helper=<command line>  another program started first and waited for at
//                          the end (see log_holder.cc)
//   helper_ready=<name>    a named event the helper sets before the runs start
//   helper_release=<name>  a named event set once every run has ended
//   start_hidden=1         the runs started hidden (STARTF_USESHOWWINDOW,
//                          SW_HIDE), as a caller's Shell ..., vbHide does
// The report (UTF-8) holds key=value lines; texts are escaped as in the
// fake server's record. exit= is the first run's exit code, exits= all of
// them in order; helper_exit= the helper's; elapsed_ms= the time from the
// request to the runs' end, run_ms= from letting the runs go to their end;
// box<n>.shown_ms= how long a box
// took from being found to being wholly on the screen, box<n>.error= that it
// never was.
#include <windows.h>
// after windows.h
#include <objbase.h>
#include <oleauto.h>

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

// What a box shows, read from its child windows.
struct BoxContent {
  std::string texts, buttons, icon = "none";
  long icon_mismatch = -1;
  HWND ok = nullptr;
  // Text, OK button and (when it has one) its icon are on the screen.
  bool Shown() const {
    return !texts.empty() && ok != nullptr && (icon == "none" || icon_mismatch == 0);
  }
};

BoxContent ReadContent(HWND box) {
  BoxContent content;
  std::vector<HWND> children;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring kind = ClassOf(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (lstrcmpiW(kind.c_str(), L"Button") == 0) {
      content.buttons += (content.buttons.empty() ? "" : ",") + Escape(WindowText(child));
      if (GetDlgCtrlID(child) == IDOK) content.ok = child;
    } else if (lstrcmpiW(kind.c_str(), L"Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        content.icon = IdentifyIcon(child, &content.icon_mismatch);
      } else if (!WindowText(child).empty()) {
        content.texts += (content.texts.empty() ? "" : "|") + Escape(WindowText(child));
      }
    }
  }
  return content;
}

// Reads one box into the report under `prefix` once it is really on the
// screen (its icon's pixels are only there after it has painted), then
// presses its OK.
void ReadAndClose(HWND box, const std::string& prefix, Report& report) {
  constexpr DWORD kShowLimitMs = 10000;
  const DWORD found = GetTickCount();
  BoxContent content = ReadContent(box);
  while (!content.Shown() && IsWindow(box) && GetTickCount() - found < kShowLimitMs) {
    Sleep(20);
    content = ReadContent(box);
  }
  if (!content.Shown()) {
    report.Add(prefix + "error", "not shown whole within " + std::to_string(kShowLimitMs) + " ms");
  }
  report.Add(prefix + "shown_ms", std::to_string(GetTickCount() - found));
  report.Add(prefix + "caption", Escape(WindowText(box)));
  report.Add(prefix + "foreground", GetForegroundWindow() == box ? "1" : "0");
  report.Add(prefix + "topmost", (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "1" : "0");
  report.Add(prefix + "text", content.texts);
  report.Add(prefix + "buttons", content.buttons);
  report.Add(prefix + "icon", content.icon);
  report.Add(prefix + "icon_mismatch", std::to_string(content.icon_mismatch));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(content.ok));
}

// Starts a process from a command line; false (with the error in the report)
// when it cannot be started.
bool Start(const std::wstring& app, std::wstring command_line, DWORD flags, bool hidden,
           PROCESS_INFORMATION* process, const std::string& what, Report& report) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (hidden) {  // as a caller's Shell ..., vbHide
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  if (CreateProcessW(app.empty() ? nullptr : app.c_str(), command_line.data(), nullptr, nullptr,
                     FALSE, flags, nullptr, nullptr, &startup, process)) {
    return true;
  }
  report.Add(what + "start_error", std::to_string(GetLastError()));
  return false;
}

BOOL CALLBACK FindBoxOfAny(HWND window, LPARAM parameter) {
  auto* searches = reinterpret_cast<std::vector<Search>*>(parameter);
  for (Search& search : *searches) {
    if (FindBox(window, reinterpret_cast<LPARAM>(&search)) == FALSE) return FALSE;
  }
  return TRUE;
}

int Run(const std::wstring& request_file, const std::wstring& report_file) {
  std::string app, helper, helper_ready, helper_release;
  std::vector<std::string> command_lines;
  DWORD timeout = 30000;
  bool hidden = false;
  Report report;
  std::istringstream lines(ReadWholeFile(request_file));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    if (key == "app") app = value;
    if (key == "cmdline") command_lines.push_back(value);
    if (key == "timeout") timeout = static_cast<DWORD>(std::stoul(value));
    if (key == "helper") helper = value;
    if (key == "helper_ready") helper_ready = value;
    if (key == "helper_release") helper_release = value;
    if (key == "start_hidden") hidden = value == "1";
    if (key == "hide") {
      const std::wstring path = Wide(value);
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
      const DWORD attributes = GetFileAttributesW(path.c_str());
      report.Add("hidden", attributes != INVALID_FILE_ATTRIBUTES &&
                                   (attributes & FILE_ATTRIBUTE_HIDDEN) ? "1" : "0");
    }
  }
  if (command_lines.empty()) return 1;
  const DWORD started = GetTickCount();

  // The helper first, and its word that it is ready.
  PROCESS_INFORMATION helper_process{};
  HANDLE release = nullptr;
  if (!helper_release.empty()) {
    release = CreateEventW(nullptr, TRUE, FALSE, Wide(helper_release).c_str());
  }
  if (!helper.empty()) {
    HANDLE ready = nullptr;
    if (!helper_ready.empty()) ready = CreateEventW(nullptr, TRUE, FALSE, Wide(helper_ready).c_str());
    if (!Start({}, Wide(helper), 0, false, &helper_process, "helper_", report)) {
      if (ready != nullptr) CloseHandle(ready);
      report.Save(report_file);
      return 2;
    }
    if (ready != nullptr) {
      const HANDLE either[] = {ready, helper_process.hProcess};
      const DWORD woke = WaitForMultipleObjects(2, either, FALSE, 10000);
      report.Add("helper_ready", woke == WAIT_OBJECT_0 ? "1" : "0");
      CloseHandle(ready);
    }
  }

  // All runs created suspended, then let go together.
  const std::wstring wide_app = Wide(app);
  std::vector<PROCESS_INFORMATION> runs;
  for (std::size_t i = 0; i < command_lines.size(); ++i) {
    PROCESS_INFORMATION process{};
    const std::string what = i == 0 ? "" : "run" + std::to_string(i + 1) + ".";
    if (!Start(wide_app, Wide(command_lines[i]), CREATE_SUSPENDED, hidden, &process, what,
               report)) {
      for (PROCESS_INFORMATION& run : runs) TerminateProcess(run.hProcess, 98);
      if (helper_process.hProcess != nullptr) TerminateProcess(helper_process.hProcess, 98);
      report.Save(report_file);
      return 2;
    }
    runs.push_back(process);
  }
  const DWORD runs_started = GetTickCount();
  for (PROCESS_INFORMATION& run : runs) ResumeThread(run.hThread);

  int boxes = 0;
  bool timed_out = false;
  std::vector<HANDLE> waiting;
  for (PROCESS_INFORMATION& run : runs) waiting.push_back(run.hProcess);
  while (WaitForMultipleObjects(static_cast<DWORD>(waiting.size()), waiting.data(), TRUE, 50) ==
         WAIT_TIMEOUT) {
    if (GetTickCount() - started > timeout) {
      timed_out = true;
      for (PROCESS_INFORMATION& run : runs) TerminateProcess(run.hProcess, 99);
      WaitForMultipleObjects(static_cast<DWORD>(waiting.size()), waiting.data(), TRUE, 5000);
      break;
    }
    std::vector<Search> searches;
    for (PROCESS_INFORMATION& run : runs) searches.push_back(Search{run.dwProcessId});
    EnumWindows(FindBoxOfAny, reinterpret_cast<LPARAM>(&searches));
    HWND found = nullptr;
    for (const Search& search : searches) found = found ? found : search.found;
    if (found == nullptr) continue;
    ++boxes;
    ReadAndClose(found, "box" + std::to_string(boxes) + ".", report);
    // Wait for that box to go before looking for another.
    for (int i = 0; i < 100 && IsWindow(found) && IsWindowVisible(found); ++i) Sleep(50);
  }
  std::string exits;
  for (PROCESS_INFORMATION& run : runs) {
    DWORD exit_code = 0;
    GetExitCodeProcess(run.hProcess, &exit_code);
    exits += (exits.empty() ? "" : ",") + std::to_string(exit_code);
    if (&run == &runs.front()) report.Add("exit", std::to_string(exit_code));
    CloseHandle(run.hThread);
    CloseHandle(run.hProcess);
  }
  report.Add("exits", exits);
  report.Add("elapsed_ms", std::to_string(GetTickCount() - started));
  report.Add("run_ms", std::to_string(GetTickCount() - runs_started));  // the runs alone

  if (release != nullptr) {
    SetEvent(release);
    CloseHandle(release);
  }
  if (helper_process.hProcess != nullptr) {
    // The helper ends by itself; one that does not is stopped.
    if (WaitForSingleObject(helper_process.hProcess, 20000) == WAIT_TIMEOUT) {
      TerminateProcess(helper_process.hProcess, 99);
      WaitForSingleObject(helper_process.hProcess, 5000);
    }
    DWORD exit_code = 0;
    GetExitCodeProcess(helper_process.hProcess, &exit_code);
    report.Add("helper_exit", std::to_string(exit_code));
    CloseHandle(helper_process.hThread);
    CloseHandle(helper_process.hProcess);
  }
  report.Add("boxes", std::to_string(boxes));
  report.Add("timed_out", timed_out ? "1" : "0");
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

// A client of the automation server that keeps it running for a while.
int Client(const std::wstring& ready_event, DWORD hold_ms) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  CLSID clsid;
  IDispatch* application = nullptr;
  HRESULT result = CLSIDFromProgID(L"Outlook.Application", &clsid);
  if (SUCCEEDED(result)) {
    result = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&application));
  }
  if (SUCCEEDED(result)) {
    const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready_event.c_str());
    if (ready != nullptr) {
      SetEvent(ready);
      CloseHandle(ready);
    }
    // Keep answering COM while holding the object.
    const DWORD started = GetTickCount();
    while (GetTickCount() - started < hold_ms) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(10);
    }
    application->Release();
  }
  CoUninitialize();
  return SUCCEEDED(result) ? 0 : 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && lstrcmpW(argv[1], L"client") == 0) return Client(argv[2], _wtoi(argv[3]));
  if (argc == 4 && lstrcmpW(argv[1], L"run") == 0) return Run(argv[2], argv[3]);
  if (argc == 4 && lstrcmpW(argv[1], L"version") == 0) return Version(argv[2], argv[3]);
  return 1;
}
