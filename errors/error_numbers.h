// The error numbers the program reports, named once. They are the numbers of
// the Visual Basic runtime that the program's callers are written in, so a
// failure reads the same in Wrenpost.log as in the caller's own error handler.
#pragma once

#include <cstdint>
#include <string_view>

namespace wrenpost {

// A number the program raises with a fixed description of its own.
struct KnownError {
  std::int32_t number;
  std::string_view description;
};

namespace errors {

inline constexpr KnownError kOutOfMemory{7, "Za mało pamięci."};
inline constexpr KnownError kObjectVariableNotSet{91, "Zmienna obiektowa nie jest ustawiona."};

// Numbers whose description names the case at hand.
inline constexpr std::int32_t kInvalidCall = 5;  // invalid procedure call or argument
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kArrayLocked = 10;
inline constexpr std::int32_t kDivisionByZero = 11;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kBadFileName = 52;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kDiskNotReady = 71;
inline constexpr std::int32_t kPathFileAccessError = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kClassNotAutomatable = 430;
inline constexpr std::int32_t kUnknownMember = 438;  // object doesn't support this property or method
inline constexpr std::int32_t kActionNotSupported = 445;
inline constexpr std::int32_t kNamedArgumentsNotSupported = 446;
inline constexpr std::int32_t kLocaleNotSupported = 447;
inline constexpr std::int32_t kNamedArgumentNotFound = 448;
inline constexpr std::int32_t kArgumentNotOptional = 449;
inline constexpr std::int32_t kWrongArgumentCount = 450;
inline constexpr std::int32_t kNotACollection = 451;
inline constexpr std::int32_t kUnsupportedType = 458;
inline constexpr std::int32_t kServerUnavailable = 462;  // the remote server machine does not exist or is unavailable

// The two numbers the warning box has its own texts for.
inline constexpr std::int32_t kMessageRefused = 287;      // the mail client refused the new message
inline constexpr std::int32_t kCannotCreateObject = 429;  // ActiveX component can't create object

}  // namespace errors
}  // namespace wrenpost
