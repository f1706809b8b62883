// The error numbers of failed automation calls (any HRESULT and EXCEPINFO
// values) and the advice the box then gives. The mapping itself is pinned by
// its table test; here: it never fails, a server's own number is kept, and the
// mail client's two messages appear for exactly the numbers 287 and 429.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "launcher/failure_report.h"
#include "platform/windows/automation_error.h"

namespace wrenpost::fuzz {

int FuzzAutomationErrors(const std::uint8_t* data, std::size_t size) {
  ByteReader input(data, size);
  const auto hresult = static_cast<std::int32_t>(input.TakeInteger<std::uint32_t>());
  const bool reported = input.TakeBool();
  ExceptionFields info;
  info.code = input.TakeInteger<std::uint16_t>();
  info.scode = static_cast<std::int32_t>(input.TakeInteger<std::uint32_t>());
  const ExceptionFields* exception = reported ? &info : nullptr;

  const std::int32_t number = AutomationErrorNumber(hresult, exception);
  const std::string context = " (hresult " + std::to_string(hresult) + ", code " +
                              std::to_string(info.code) + ", scode " + std::to_string(info.scode) +
                              (reported ? "" : ", no exception") + ") gave " + std::to_string(number);
  if (exception != nullptr && info.code != 0) {
    FUZZ_CHECK(number == info.code, "the server's own number is kept" + context);
  }

  for (const std::int32_t shown : {number, CreateObjectErrorNumber(hresult)}) {
    const std::string box = FailureBoxText(shown, "opis");
    const bool advice_287 = box.find("Prawdopodobna przyczyna") != std::string::npos;
    const bool advice_429 = box.find("Sprawdź, czy program") != std::string::npos;
    FUZZ_CHECK(advice_287 == (shown == 287), "287 advice" + context);
    FUZZ_CHECK(advice_429 == (shown == 429), "429 advice" + context);
    FUZZ_CHECK(advice_287 || advice_429 || box == "Wystąpił błąd:\r\nopis", "generic box" + context);
  }
  return 0;
}

}  // namespace wrenpost::fuzz
