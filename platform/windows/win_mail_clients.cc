#include "platform/windows/win_mail_clients.h"

#include <string>

#include "platform/run_error.h"

namespace wrenpost {

std::unique_ptr<DraftClient> WindowsMailClients::Find(ClientName name) {
  throw RunError(errors::kCannotCreateObject, "Nie znaleziono programu pocztowego „" +
                                                  std::string(ClientNameText(name)) + "” w tym systemie.");
}

}  // namespace wrenpost
