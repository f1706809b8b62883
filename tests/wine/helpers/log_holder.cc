// Another program holding the run log, for the end-to-end tests under Wine:
// it waits until the log holds a given text (so that a run is busy writing),
// opens the file with share mode 0 so that nobody else can open it, appends
// a marker line while it holds it, sets a named event to say so, keeps the
// file for the given time or until told to let go, and closes it.
//
//   log_holder.exe <log file> <hold ms> <after text> <ready event> <report file>
//
// <ready event> is set as soon as the holder watches the log (the runner
// starts the program then); "<ready event>.held" is set once the file is held;
// setting "<ready event>.release" ends the hold early, and "<ready event>.released"
// is set once the file is closed.
// The report (UTF-8) holds key=value lines: held_ms (how long the file was
// really held) and waited_ms (from watching to holding). Exit codes: 0 held
// and released, 2 the text never came, 3 the file could not be had, 1 usage.
#include <windows.h>

#include <sstream>
#include <string>

#include "helper_text.h"
#include "platform/windows/win_owners.h"

namespace {

using wrenpost::UniqueHandle;
using wrenpost::wine_test::ReadWholeFile;
using wrenpost::wine_test::Utf8;
using wrenpost::wine_test::Wide;

constexpr char kMarker[] = "[log_holder: held]\r\n";
constexpr DWORD kWatchLimitMs = 20000;

void SaveReport(const std::wstring& file, const std::string& text) {
  UniqueHandle out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (out.valid()) WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int Hold(const std::wstring& log, DWORD hold_ms, const std::string& after, const std::wstring& event,
         const std::wstring& report_file) {
  UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
  UniqueHandle held_event(CreateEventW(nullptr, TRUE, FALSE, (event + L".held").c_str()));
  UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, (event + L".release").c_str()));
  UniqueHandle released(CreateEventW(nullptr, TRUE, FALSE, (event + L".released").c_str()));
  const DWORD watching = GetTickCount();
  if (ready.valid()) SetEvent(ready.get());

  std::ostringstream report;
  // Wait for the text (a busy run), then take the file the moment it is free.
  while (ReadWholeFile(log).find(after) == std::string::npos) {
    if (GetTickCount() - watching > kWatchLimitMs) {
      SaveReport(report_file, "error=text never came\n");
      return 2;
    }
    Sleep(1);
  }
  HANDLE opened = INVALID_HANDLE_VALUE;
  for (;;) {
    opened = CreateFileW(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened != INVALID_HANDLE_VALUE) break;
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION || GetTickCount() - watching > kWatchLimitMs) {
      SaveReport(report_file, "error=" + std::to_string(error) + "\n");
      return 3;
    }
  }
  UniqueHandle file(opened);
  const DWORD held = GetTickCount();
  DWORD written = 0;
  WriteFile(file.get(), kMarker, sizeof kMarker - 1, &written, nullptr);
  if (held_event.valid()) SetEvent(held_event.get());
  if (release.valid()) {
    WaitForSingleObject(release.get(), hold_ms);
  } else {
    Sleep(hold_ms);
  }
  file.reset();
  if (released.valid()) SetEvent(released.get());
  report << "held_ms=" << GetTickCount() - held << "\n"
         << "waited_ms=" << held - watching << "\n";
  SaveReport(report_file, report.str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) return 1;
  return Hold(argv[1], static_cast<DWORD>(_wtoi(argv[2])), Utf8(argv[3]), argv[4], argv[5]);
}
