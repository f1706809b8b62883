#include "platform/windows/file_error_number.h"

#include "errors/error_numbers.h"

namespace wrenpost {

std::int32_t FileErrorNumber(std::uint32_t win32_error) {
  switch (win32_error) {
    case 2:    // ERROR_FILE_NOT_FOUND
      return errors::kFileNotFound;
    case 3:    // ERROR_PATH_NOT_FOUND
      return errors::kPathNotFound;
    case 5:    // ERROR_ACCESS_DENIED
    case 32:   // ERROR_SHARING_VIOLATION
    case 33:   // ERROR_LOCK_VIOLATION
      return errors::kPermissionDenied;
    case 123:  // ERROR_INVALID_NAME
    case 161:  // ERROR_BAD_PATHNAME
      return errors::kBadFileName;
    case 21:   // ERROR_NOT_READY
      return errors::kDiskNotReady;
    default:
      return errors::kPathFileAccessError;
  }
}

}  // namespace wrenpost
