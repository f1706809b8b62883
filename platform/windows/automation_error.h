// The error numbers of failed automation calls, as the Visual Basic runtime of
// the program's callers derives them from an HRESULT and an EXCEPINFO. Pure
// code, no Windows header: tested on any host.
#pragma once

#include <cstdint>

namespace wrenpost {

// What a server put into the EXCEPINFO of a failed Invoke (after its deferred
// fill-in, if it had one).
struct ExceptionFields {
  std::uint16_t code = 0;   // wCode: the server's own error number, or 0
  std::int32_t scode = 0;   // scode: an HRESULT describing the error, or 0
};

// HRESULTs the program itself tells apart (the values of the Windows headers).
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

// Whether a failure to create the application object says the class is not
// there at all: no programmatic identifier, no registered class, or a
// registration whose server executable or application entry is missing. Not
// a server that is there and failed to start (another elevation, 0x80080005).
bool MeansClassNotThere(std::int32_t hresult);

// The HRESULT whose system message describes the failure when the server gave
// no text of its own: the exception's scode when it has one, else `hresult`.
std::int32_t DescribedResult(std::int32_t hresult, const ExceptionFields* info);

}  // namespace wrenpost
