#include "platform/windows/automation_error.h"

namespace wrenpost {
namespace {

int Facility(std::int32_t hresult) {
  return static_cast<int>((static_cast<std::uint32_t>(hresult) >> 16) & 0x1FFF);
}

bool IsFailure(std::int32_t hresult) { return hresult < 0; }

std::int32_t NumberOfResult(std::int32_t hresult) {
  if (IsFailure(hresult) && Facility(hresult) == kFacilityControl) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(hresult) & 0xFFFF);
  }
  switch (hresult) {
    case kClassNotRegistered:
    case kInvalidClassString:
    case kAppNotFound:
      return kCannotCreateObject;
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
  if (hresult == kFileNotFoundResult || hresult == kPathNotFoundResult) return kCannotCreateObject;
  return AutomationErrorNumber(hresult, nullptr);
}

std::int32_t DescribedResult(std::int32_t hresult, const ExceptionFields* info) {
  if (info != nullptr && info->scode != 0) return info->scode;
  return hresult;
}

}  // namespace wrenpost
