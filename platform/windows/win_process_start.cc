#include "platform/windows/win_process_start.h"

#include <windows.h>

#include <vector>

#include "platform/mail_clients.h"
#include "errors/run_error.h"
#include "platform/windows/win_owners.h"
#include "platform/windows/win_text.h"
#include "text/utf8.h"

namespace wrenpost {
namespace {

// Enough for any error line; a client that writes more is read and the rest dropped.
constexpr std::size_t kMaxOutputBytes = 64 * 1024;

// The attribute list that lets the child inherit `handle` and nothing else.
class InheritOnly {
 public:
  explicit InheritOnly(HANDLE handle) : handle_(handle) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    list_ = list;
    if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_, sizeof handle_, nullptr,
                                   nullptr)) {
      DeleteProcThreadAttributeList(list_);
      list_ = nullptr;
    }
  }
  ~InheritOnly() {
    if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
  }
  InheritOnly(const InheritOnly&) = delete;
  InheritOnly& operator=(const InheritOnly&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  HANDLE handle_;
  std::vector<unsigned char> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Reads what the pipe holds now, without waiting for more.
void ReadAvailable(HANDLE pipe, std::string& output) {
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
    char chunk[4096];
    DWORD got = 0;
    if (!ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &got, nullptr) || got == 0) {
      return;
    }
    if (output.size() < kMaxOutputBytes) output.append(chunk, got);
  }
}

// The client's output as UTF-8: as it is when it is UTF-8, else in the ANSI code page.
std::string OutputText(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
  return Narrow(wide);
}

struct WindowSearch {
  DWORD process_id;
  bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.process_id || !IsWindowVisible(window)) return TRUE;
  search.found = true;
  return FALSE;
}

// Whether the process `id` shows a visible top-level window.
bool ShowsAWindow(DWORD id) {
  WindowSearch search{id, false};
  EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

[[noreturn]] void ThrowCannotStart(DWORD code, const std::string& executable, const std::string& client_name) {
  std::string text = SystemMessage(code);
  if (text.empty()) text = "Błąd systemu " + std::to_string(code) + ".";
  throw RunError(errors::kCannotCreateObject,
                 "Nie można uruchomić programu " + client_name + " (" + executable + "): " + text);
}

}  // namespace

StartOutcome StartAndWatch(const std::string& executable, const std::string& command_line,
                           const std::string& client_name) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) ThrowCannotStart(GetLastError(), executable, client_name);
  const UniqueHandle output_pipe(read_end);
  UniqueHandle child_output(write_end);
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  InheritOnly inherit(write_end);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdOutput = write_end;
  startup.StartupInfo.hStdError = write_end;
  startup.lpAttributeList = inherit.get();
  const std::wstring program = Widen(executable);
  std::wstring line = Widen(command_line);
  PROCESS_INFORMATION started{};
  const DWORD flags = inherit.get() != nullptr ? EXTENDED_STARTUPINFO_PRESENT : 0;
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                      &startup.StartupInfo, &started)) {
    ThrowCannotStart(GetLastError(), executable, client_name);
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  child_output.reset();  // the child's copy is the only one left

  // The watch ends when the client ends, when it shows that it got past its
  // start (a window of its own that takes input: WaitForInputIdle answers at
  // once), or at the ceiling for a client that shows neither.
  StartOutcome watched;
  std::string bytes;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(kStartWatch.count());
  for (;;) {
    const DWORD waited = WaitForSingleObject(process.get(), 50);
    ReadAvailable(output_pipe.get(), bytes);
    if (waited == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process.get(), &code);
      watched.kind = StartOutcome::Kind::kExited;
      watched.code = code;
      break;
    }
    if (waited != WAIT_TIMEOUT || GetTickCount64() >= deadline) break;
    if (WaitForInputIdle(process.get(), 0) == 0 && ShowsAWindow(started.dwProcessId)) break;
  }
  watched.output = OutputText(bytes);
  return watched;
}

}  // namespace wrenpost
