// A mail client started with the whole message as its arguments, and watched
// until it has either taken the message or failed.
#pragma once

#include <memory>
#include <string>

#include "clients/client_start.h"
#include "clients/linux_client_choice.h"
#include "clients/mime_apps.h"
#include "platform/mail_clients.h"

namespace wrenpost {

std::unique_ptr<DraftClient> MakeStartedClient(const ClientTraits& traits, ClientLaunch launch, std::string home,
                                               XdgFolders folders);

}  // namespace wrenpost
