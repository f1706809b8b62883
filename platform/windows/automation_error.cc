#include "platform/windows/automation_error.h"

#include "errors/error_numbers.h"

namespace wrenpost {
namespace {

constexpr std::int32_t H(std::uint32_t value) { return static_cast<std::int32_t>(value); }

int Facility(std::int32_t hresult) {
  return static_cast<int>((static_cast<std::uint32_t>(hresult) >> 16) & 0x1FFF);
}

bool IsFailure(std::int32_t hresult) { return hresult < 0; }

// What the runtime of the program's callers makes of a failed call's HRESULT.
std::int32_t NumberOfResult(std::int32_t hresult) {
  if (IsFailure(hresult) && Facility(hresult) == kFacilityControl) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(hresult) & 0xFFFF);
  }
  switch (static_cast<std::uint32_t>(hresult)) {
    case 0x80004004:  // E_ABORT: the profile could not be opened, its prompt was cancelled
      return errors::kMessageRefused;
    case 0x80004001:  // E_NOTIMPL
      return errors::kActionNotSupported;
    case 0x80004002:  // E_NOINTERFACE
      return errors::kClassNotAutomatable;
    case 0x80020001:  // DISP_E_UNKNOWNINTERFACE
    case 0x80020003:  // DISP_E_MEMBERNOTFOUND
    case 0x80020006:  // DISP_E_UNKNOWNNAME
      return errors::kUnknownMember;
    case 0x80020004:  // DISP_E_PARAMNOTFOUND
      return errors::kNamedArgumentNotFound;
    case 0x80020005:  // DISP_E_TYPEMISMATCH
      return errors::kTypeMismatch;
    case 0x80020007:  // DISP_E_NONAMEDARGS
      return errors::kNamedArgumentsNotSupported;
    case 0x80020008:  // DISP_E_BADVARTYPE
      return errors::kUnsupportedType;
    case 0x8002000A:  // DISP_E_OVERFLOW
      return errors::kOverflow;
    case 0x8002000B:  // DISP_E_BADINDEX
      return errors::kSubscriptOutOfRange;
    case 0x8002000C:  // DISP_E_UNKNOWNLCID
      return errors::kLocaleNotSupported;
    case 0x8002000D:  // DISP_E_ARRAYISLOCKED
      return errors::kArrayLocked;
    case 0x8002000E:  // DISP_E_BADPARAMCOUNT
      return errors::kWrongArgumentCount;
    case 0x8002000F:  // DISP_E_PARAMNOTOPTIONAL
      return errors::kArgumentNotOptional;
    case 0x80020011:  // DISP_E_NOTACOLLECTION
      return errors::kNotACollection;
    case 0x80020012:  // DISP_E_DIVBYZERO
      return errors::kDivisionByZero;
    case 0x80040112:  // CLASS_E_NOTLICENSED
    case 0x80040154:  // REGDB_E_CLASSNOTREG
    case 0x800401E3:  // MK_E_UNAVAILABLE
    case 0x800401F3:  // CO_E_CLASSSTRING
    case 0x800401F5:  // CO_E_APPNOTFOUND
    case 0x800401FE:  // CO_E_APPDIDNTREG
    case 0x80080005:  // CO_E_SERVER_EXEC_FAILURE: Outlook runs at another elevation
      return errors::kCannotCreateObject;
    case 0x80070005:  // E_ACCESSDENIED
      return errors::kPermissionDenied;
    case 0x8007000E:  // E_OUTOFMEMORY
      return errors::kOutOfMemory.number;
    case 0x80070057:  // E_INVALIDARG
      return errors::kInvalidCall;
    case 0x800706BA:  // RPC_S_SERVER_UNAVAILABLE: Outlook ended during the run
      return errors::kServerUnavailable;
    default:
      return hresult;
  }
}

}  // namespace

std::int32_t AutomationErrorNumber(std::int32_t hresult, const ExceptionFields* info) {
  if (info != nullptr) {
    if (info->code != 0) return info->code;
    if (info->scode != 0) return NumberOfResult(info->scode);
  }
  return NumberOfResult(hresult);
}

std::int32_t CreateObjectErrorNumber(std::int32_t hresult) {
  if (hresult == H(0x80070002) || hresult == H(0x80070003)) return errors::kCannotCreateObject;
  return AutomationErrorNumber(hresult, nullptr);
}

bool MeansClassNotThere(std::int32_t hresult) {
  switch (static_cast<std::uint32_t>(hresult)) {
    case 0x800401F3:  // CO_E_CLASSSTRING
    case 0x80040154:  // REGDB_E_CLASSNOTREG
    case 0x800401F5:  // CO_E_APPNOTFOUND
    case 0x80070002:  // the server's file is not there
    case 0x80070003:  // nor its folder
      return true;
    default:
      return false;
  }
}

std::int32_t DescribedResult(std::int32_t hresult, const ExceptionFields* info) {
  if (info != nullptr && info->scode != 0) return info->scode;
  return hresult;
}

}  // namespace wrenpost
