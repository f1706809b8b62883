#include "launcher/failure_report.h"

namespace wrenpost {
namespace {

constexpr const char* kCannotCreate = "Nie można utworzyć nowej wiadomości w MS Outlook.";

}  // namespace

std::string FailureBoxText(std::int32_t number, const std::string& description) {
  // Numbers are compared whole. Automation failures often carry 32-bit numbers
  // (0x800A011F and the like); narrowing them to 16 bits could turn one into
  // 287 or 429 and show the wrong advice, so they take the generic text.
  switch (number) {
    case errors::kMessageRefused:
      return std::string(kCannotCreate) +
             "\r\nPrawdopodobna przyczyna to wyłączony program MS Outlook lub problem z "
             "dostępem do domyślnego konta pocztowego.";
    case errors::kCannotCreateObject:
      return std::string(kCannotCreate) + "\r\nSprawdź, czy program jest zainstalowany w systemie!";
    default:
      return "Wystąpił błąd:\r\n" + description;
  }
}

void ReportFailure(const RunError& error, const RunLog& log, WarningBox& box) {
  log.WriteLogLine("\r\n");
  // The whole number, in signed decimal: a 32-bit number is not cut to 16 bits.
  log.WriteLogLine("Wystąpił błąd (" + std::to_string(error.number) + "): " + error.description);
  log.WriteLogLine("Program zakończony błędem.");
  box.Show(kProgramTitle, FailureBoxText(error.number, error.description));
}

}  // namespace wrenpost
