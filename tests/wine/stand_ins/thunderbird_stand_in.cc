// A stand-in thunderbird.exe: records its arguments (as CommandLineToArgvW
// reads them) to thunderbird_calls.txt beside itself, "started" first, then
// does what thunderbird_control.txt (beside itself) says, as Thunderbird's
// launcher does:
//   exit 0              hands the message to a running instance and ends
//   fail <code> <line>  writes the line to its standard error and ends with the code
//   run <ms>            is the first instance: keeps running that long
//                       ("running", then "ended" when it ends), showing nothing
//   window <ms>         the same, showing its window and taking input at once
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <sstream>
#include <string>

#include "stand_in_record.h"

using wrenpost::wine_test::AppendUtf8Line;
using wrenpost::wine_test::FolderOf;
using wrenpost::wine_test::Quoted;
using wrenpost::wine_test::ReadWholeFile;

int wmain() {
  const std::wstring folder = FolderOf(reinterpret_cast<const void*>(&wmain));
  const std::wstring record = folder + L"thunderbird_calls.txt";
  AppendUtf8Line(record, "started");
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; i < count; ++i) AppendUtf8Line(record, "argv[" + std::to_string(i) + "]=" + Quoted(argv[i]));
  LocalFree(argv);

  std::istringstream control(ReadWholeFile(folder + L"thunderbird_control.txt"));
  std::string action;
  control >> action;
  if (action == "fail") {
    int code = 1;
    std::string line;
    control >> code;
    std::getline(control >> std::ws, line);
    line += "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    AppendUtf8Line(record, "exit " + std::to_string(code));
    return code;
  }
  if (action == "run" || action == "window") {
    DWORD milliseconds = 0;
    control >> milliseconds;
    AppendUtf8Line(record, "running");
    if (action == "run") {
      Sleep(milliseconds);
    } else {
      HWND window = CreateWindowExW(0, L"STATIC", L"Thunderbird", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
      SetTimer(window, 1, milliseconds, nullptr);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) DispatchMessageW(&message);
      DestroyWindow(window);
    }
    AppendUtf8Line(record, "ended");
    return 0;
  }
  AppendUtf8Line(record, "exit 0");
  return 0;
}
