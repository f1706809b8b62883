// The error number a failed automation call reports, as callers of the
// Visual Basic era see it. Pure code over plain values: no Windows header.
#pragma once

#include <cstdint>

namespace wrenpost {

// What a server put into the EXCEPINFO of a failed Invoke (after its deferred
// fill-in, if it had one).
struct ExceptionFields {
  std::uint16_t code = 0;   // wCode: the server's own error number, or 0
  std::int32_t scode = 0;   // scode: an HRESULT describing the error, or 0
};

// HRESULTs the number depends on (the values of the Windows headers).
inline constexpr std::int32_t kDispException = static_cast<std::int32_t>(0x80020009);
inline constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154);
inline constexpr std::int32_t kInvalidClassString = static_cast<std::int32_t>(0x800401F3);
inline constexpr std::int32_t kAppNotFound = static_cast<std::int32_t>(0x800401F5);
inline constexpr std::int32_t kFileNotFoundResult = static_cast<std::int32_t>(0x80070002);
inline constexpr std::int32_t kPathNotFoundResult = static_cast<std::int32_t>(0x80070003);
inline constexpr int kFacilityControl = 10;

// "ActiveX component can't create object".
inline constexpr std::int32_t kCannotCreateObject = 429;

// The number of a failed call (`hresult`) that may have reported an exception
// (`info`, null when none was reported):
// - an exception gives its wCode when that is non-zero, else its scode (else,
//   with neither, the call's own HRESULT);
// - an HRESULT of FACILITY_CONTROL gives its low 16 bits (0x800A011F is 287);
// - a class that is not registered or a programmatic identifier that is not
//   known gives 429;
// - any other HRESULT is kept whole, as a signed 32-bit number.
std::int32_t AutomationErrorNumber(std::int32_t hresult, const ExceptionFields* info);

// The number of a failure to create the application object: as above, and a
// server executable that cannot be found also gives 429.
std::int32_t CreateObjectErrorNumber(std::int32_t hresult);

// The HRESULT whose system message describes the failure when the server gave
// no text of its own: the exception's scode when it has one, else `hresult`.
std::int32_t DescribedResult(std::int32_t hresult, const ExceptionFields* info);

}  // namespace wrenpost
