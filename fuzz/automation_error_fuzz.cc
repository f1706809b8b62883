// The error numbers of failed automation calls (HRESULT and EXCEPINFO values)
// and the advice the box then gives: the mail client's own two messages only
// for the failures they describe, never for a number that merely shares bits.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "launcher/failure_report.h"
#include "platform/windows/automation_error.h"

namespace wrenpost::fuzz {
namespace {

bool IsControlFailure(std::int32_t result, std::uint16_t number) {
  const auto bits = static_cast<std::uint32_t>(result);
  return (bits & 0x80000000u) != 0 && ((bits >> 16) & 0x1FFF) == 10 && (bits & 0xFFFF) == number;
}

bool IsNotRegistered(std::int32_t result) {
  return result == kClassNotRegistered || result == kInvalidClassString || result == kAppNotFound;
}

}  // namespace

int FuzzAutomationErrors(const std::uint8_t* data, std::size_t size) {
  ByteReader input(data, size);
  // A failed call's HRESULT, and an exception's scode when it has one, are
  // failure codes: their severity bit is set. (A success code such as 287
  // would be kept whole and read as 287; no failing call reports one.)
  const auto hresult = static_cast<std::int32_t>(input.TakeInteger<std::uint32_t>() | 0x80000000u);
  const bool reported = input.TakeBool();
  ExceptionFields info;
  info.code = input.TakeInteger<std::uint16_t>();
  const auto scode = input.TakeInteger<std::uint32_t>();
  info.scode = scode == 0 ? 0 : static_cast<std::int32_t>(scode | 0x80000000u);
  const ExceptionFields* exception = reported ? &info : nullptr;

  const std::int32_t number = AutomationErrorNumber(hresult, exception);
  FUZZ_CHECK(number == AutomationErrorNumber(hresult, exception), "not a function of its inputs");
  // Which value the number comes from: the server's code, its scode, the call's result.
  const bool by_code = exception != nullptr && info.code != 0;
  const std::int32_t result = exception != nullptr && info.scode != 0 ? info.scode : hresult;
  const std::string context = " (hresult " + std::to_string(hresult) + ", code " +
                              std::to_string(info.code) + ", scode " + std::to_string(info.scode) +
                              (reported ? "" : ", no exception") + ") gave " + std::to_string(number);

  if (by_code) {
    FUZZ_CHECK(number == info.code, "the server's own number is kept" + context);
  } else if (IsControlFailure(result, static_cast<std::uint16_t>(result & 0xFFFF))) {
    FUZZ_CHECK(number == (result & 0xFFFF), "a control failure gives its low 16 bits" + context);
  } else if (IsNotRegistered(result)) {
    FUZZ_CHECK(number == kCannotCreateObject, "an unknown server gives 429" + context);
  } else {
    FUZZ_CHECK(number == result, "any other result is kept whole" + context);
  }

  // The advice in the box follows from the number alone, and only the real
  // failures earn it.
  const std::string box = FailureBoxText(number, "opis");
  const bool advice_287 = box.find("Prawdopodobna przyczyna") != std::string::npos;
  const bool advice_429 = box.find("Sprawdź, czy program") != std::string::npos;
  FUZZ_CHECK(advice_287 == (by_code ? info.code == 287 : IsControlFailure(result, 287)),
             "287 advice" + context);
  FUZZ_CHECK(advice_429 == (by_code ? info.code == 429
                                    : IsControlFailure(result, 429) || IsNotRegistered(result)),
             "429 advice" + context);
  FUZZ_CHECK(advice_287 || advice_429 || box == "Wystąpił błąd:\r\nopis", "generic box" + context);

  // Creating the application object: a missing server executable is also 429.
  const std::int32_t created = CreateObjectErrorNumber(hresult);
  if (hresult == kFileNotFoundResult || hresult == kPathNotFoundResult) {
    FUZZ_CHECK(created == kCannotCreateObject, "a missing server gives 429" + context);
  } else {
    FUZZ_CHECK(created == AutomationErrorNumber(hresult, nullptr), "create number" + context);
  }
  FUZZ_CHECK(DescribedResult(hresult, exception) == (exception != nullptr && info.scode != 0 ? info.scode : hresult),
             "described result" + context);
  return 0;
}

}  // namespace wrenpost::fuzz
