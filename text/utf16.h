// UTF-16 byte streams (body files saved as "Unicode") to the program's UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

enum class ByteOrder { kLittleEndian, kBigEndian };

// Decodes `bytes` as UTF-16 in the given byte order. An unpaired surrogate
// becomes U+FFFD, and so does an odd byte left at the end. Never fails.
std::string Utf16BytesToUtf8(std::string_view bytes, ByteOrder order);

}  // namespace wrenpost
