// Reads a "-compose" argument back the way Thunderbird does, so tests can
// check what Thunderbird would make of the text the program built.
//
// Thunderbird's reading: a comma splits fields unless a quote (single or
// double) that directly follows "=" has opened a quoted stretch, which ends
// at the same quote before a comma or the end; each field is key=value at its
// first "="; the first occurrence of a key wins; a value in single quotes is
// taken as it stands, any other is percent-decoded as UTF-8 (left as it is
// when that fails).
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace wrenpost::testing {

std::map<std::string, std::string> DecodeComposeString(std::string_view text);

// %XX sequences to bytes; nullopt-like failure is reported through `ok`.
std::string PercentDecode(std::string_view text, bool* ok = nullptr);

// The attachment value as Thunderbird takes it apart: split at ",", each a
// file:// URL turned back into a path (or kept as written when it is none).
std::vector<std::string> AttachmentPaths(const std::string& attachment_value);

}  // namespace wrenpost::testing
