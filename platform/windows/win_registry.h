// What the registry says of the user's mail clients, read for the choice of
// route (windows_mail_route.h).
#pragma once

#include "clients/windows_mail_route.h"

namespace wrenpost {

// Software\Clients\Mail of HKCU and HKLM (as this process sees HKLM: a
// 32-bit process its 32-bit view, as its mapi32.dll does), and the user's
// mailto: handler. Values of REG_EXPAND_SZ come expanded; what cannot be
// read counts as not there. Never raises for a missing key.
MailRegistry ReadMailRegistry();

}  // namespace wrenpost
