// A default mail program that this program does not drive (Sylpheed, a
// browser): the message goes to it as a mailto: link, started the way its
// desktop file says.
#pragma once

#include <memory>

#include "platform/mail_clients.h"
#include "platform/posix/gio_desktop_apps.h"

namespace wrenpost {

std::unique_ptr<DraftClient> MakeMailtoHandler(DesktopApp app);

}  // namespace wrenpost
