// Which mail client a desktop file or a program on PATH starts, and how it is
// packaged: a plain executable, a snap or a flatpak. Pure code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/client_name.h"

namespace wrenpost {

enum class Packaging { kPlain, kSnap, kFlatpak };

// How a client is started on Linux.
struct ClientLaunch {
  ClientName name = ClientName::kThunderbird;
  Packaging packaging = Packaging::kPlain;
  // The words that start it, before the message's own arguments: its
  // executable, or e.g. "flatpak run ... APP-ID".
  std::vector<std::string> command;
  std::string sandbox;  // the snap's name or the flatpak's application ID
};

// The client the desktop file `desktop_id` starts with `exec_words` (its Exec
// line as ExecWords gives it); nullopt for a program that is no mail client
// we know. A flatpak's own forwarding of file arguments ("--file-forwarding",
// "@@u ... @@") is dropped: the program makes files visible itself.
std::optional<ClientLaunch> ClientOfDesktopFile(std::string_view desktop_id, std::vector<std::string> exec_words);

// The client of an executable found on PATH, by its name ("/snap/bin/NAME"
// is a snap's launcher); nullopt for any other program.
std::optional<ClientLaunch> ClientOfProgram(const std::string& path);

// The desktop file IDs a client is installed under, most usual first (the
// distribution's package, the snap, the flatpak).
std::vector<std::string> DesktopIdsOf(ClientName name);

// For the log: "Thunderbird", "Thunderbird (snap)", "Thunderbird (flatpak)".
std::string DescribeClient(std::string_view shown_name, Packaging packaging);

}  // namespace wrenpost
