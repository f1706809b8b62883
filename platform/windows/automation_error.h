// The error numbers of failures at the Windows edge, as the Visual Basic
// runtime of the program's callers derives them, and the other small rules of
// that edge that need no Windows header: pure code, tested on any host.
#pragma once

#include <cstdint>
#include <string_view>

namespace wrenpost {

// What a server put into the EXCEPINFO of a failed Invoke (after its deferred
// fill-in, if it had one).
struct ExceptionFields {
  std::uint16_t code = 0;   // wCode: the server's own error number, or 0
  std::int32_t scode = 0;   // scode: an HRESULT describing the error, or 0
};

// HRESULTs the program itself tells apart (the values of the Windows headers).
inline constexpr std::int32_t kDispException = static_cast<std::int32_t>(0x80020009);
inline constexpr std::int32_t kUnknownName = static_cast<std::int32_t>(0x80020006);
inline constexpr std::int32_t kMemberNotFound = static_cast<std::int32_t>(0x80020003);
inline constexpr int kFacilityControl = 10;

// The number of a failed call (`hresult`) that may have reported an exception
// (`info`, null when none was reported):
// - an exception gives its wCode when that is non-zero; otherwise its scode,
//   when it has one, is the HRESULT mapped below, else the call's own;
// - an HRESULT of FACILITY_CONTROL gives its low 16 bits (0x800A011F is 287);
// - the well-known HRESULTs give the runtime's numbers: E_ABORT 287, the
//   failures to find or start a server 429, DISP_E_UNKNOWNNAME 438,
//   E_ACCESSDENIED 70, RPC_S_SERVER_UNAVAILABLE 462, and so on;
// - any other HRESULT is kept whole, as a signed 32-bit number.
std::int32_t AutomationErrorNumber(std::int32_t hresult, const ExceptionFields* info);

// The number of a failure to create the application object: as above, and a
// server executable that cannot be found (file or path not found) also gives 429.
std::int32_t CreateObjectErrorNumber(std::int32_t hresult);

// The HRESULT whose system message describes the failure when the server gave
// no text of its own: the exception's scode when it has one, else `hresult`.
std::int32_t DescribedResult(std::int32_t hresult, const ExceptionFields* info);

// The number of a failed file operation (a Win32 error code): file not found
// 53, path not found 76, access denied or a sharing or lock violation 70, a
// bad file name 52, a drive that is not ready 71, anything else 75.
std::int32_t FileErrorNumber(std::uint32_t win32_error);

// Whether a call was rejected by a busy server (RPC_E_CALL_REJECTED,
// RPC_E_SERVERCALL_RETRYLATER): it did not run and may be made again.
bool IsBusyResult(std::int32_t hresult);

// The time a run may spend waiting for a busy mail client, over all its calls:
// 30 s in all, a new try every quarter of a second.
class BusyBudget {
 public:
  static constexpr std::uint64_t kLimitMs = 30000;
  static constexpr std::uint64_t kPauseMs = 250;

  // Counts `waited_ms` more of waiting (the rejected tries and the pauses
  // since the last count) against the budget; true while one more pause and
  // try still fit in it.
  bool Continue(std::uint64_t waited_ms);
  std::uint64_t spent_ms() const { return spent_ms_; }

 private:
  std::uint64_t spent_ms_ = 0;
};

// Whether a Windows path is absolute ("C:\...", "\\server\share\...", "\\?\..."):
// a path relative to the current folder or drive ("a.pdf", "\a.pdf", "C:a.pdf") is not.
bool IsFullWindowsPath(std::string_view path);

}  // namespace wrenpost
