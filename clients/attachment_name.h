// Whether a mail client takes a file under its own path, and the name a
// private copy gets when it does not. Pure code.
//
// Evolution writes a file's name raw into the part's filename= parameter, so
// a line break there breaks the part. Claws Mail breaks its draft's headers
// the same way, and a running Claws Mail gets each path as one line of its
// control socket ("attach PATH"), which a line break ends and which holds at
// most kClawsMaxRequestLine bytes. The other clients get file URLs, whose
// percent-encoding carries any byte.
#pragma once

#include <string>
#include <string_view>

#include "clients/client_name.h"

namespace wrenpost {

// Whether `client` attaches the file at the absolute `path` under that path and name.
bool CarriesPath(ClientName client, std::string_view path);

// The name of a copy of the file called `file_name` that every client
// carries: each run of line breaks or other control characters one blank, blanks at
// either end dropped; "załącznik" when nothing is left (or only "." or "..").
std::string CarriableName(std::string_view file_name);

}  // namespace wrenpost
