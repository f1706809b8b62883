#include "launcher/failure_report.h"

namespace wrenpost {

std::string FailureBoxText(std::int32_t number, const std::string& description,
                           const std::optional<std::string>& mail_client) {
  // Outlook's automation keeps its own texts; any other route names its client.
  std::string in = "MS Outlook", program = "program MS Outlook";
  if (mail_client) {
    in = mail_client->empty() ? "programie pocztowym" : "programie " + *mail_client;
    program = mail_client->empty() ? "program pocztowy" : "program " + *mail_client;
  }
  const std::string cannot_create = "Nie można utworzyć nowej wiadomości w " + in + ".";
  // Numbers are compared whole. Automation failures often carry 32-bit numbers
  // (0x800A011F and the like); narrowing them to 16 bits could turn one into
  // 287 or 429 and show the wrong advice, so they take the generic text.
  switch (number) {
    case errors::kMessageRefused:
      return cannot_create + "\r\nPrawdopodobna przyczyna to wyłączony " + program +
             " lub problem z dostępem do domyślnego konta pocztowego.";
    case errors::kCannotCreateObject:
      return cannot_create + "\r\nSprawdź, czy program jest zainstalowany w systemie!";
    default:
      return "Wystąpił błąd:\r\n" + description;
  }
}

void ReportFailure(const RunError& error, const RunLog& log, WarningBox& box,
                   const std::optional<std::string>& mail_client) {
  log.WriteLogLine("\r\n");
  // The whole number, in signed decimal: a 32-bit number is not cut to 16 bits.
  log.WriteLogLine("Wystąpił błąd (" + std::to_string(error.number) + "): " + error.description);
  log.WriteLogLine("Program zakończony błędem.");
  box.Show(kProgramTitle, FailureBoxText(error.number, error.description, mail_client));
}

}  // namespace wrenpost
