// The command-line grammar. It is loose on purpose, and callers depend on it
// exactly: the text is cut at every blank-hyphen pair, each piece is read as
// "key value", and quotes only decorate a value's ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "options/message_request.h"

namespace wrenpost {

// Never fails: unknown keys and malformed pieces are ignored.
MessageRequest ParseOptions(std::string_view command_text);

// Trims blanks (U+0020 only), then removes one double quote at the start and
// then one at the end, if there.
std::string Unquote(std::string_view text);

// Splits at every ";" without trimming; empty pieces stay. "" gives no element.
std::vector<std::string> SplitList(std::string_view text);

}  // namespace wrenpost
