// UTF-16 byte streams (body files saved as "Unicode") to the program's UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wrenpost {

// UTF-16 surrogates: a high one followed by a low one stands for one code
// point past U+FFFF.
constexpr bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr std::uint32_t CombineSurrogates(std::uint32_t high, std::uint32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

enum class ByteOrder { kLittleEndian, kBigEndian };

// Decodes `bytes` as UTF-16 in the given byte order. An unpaired surrogate
// becomes U+FFFD, and so does an odd byte left at the end. Never fails.
std::string Utf16BytesToUtf8(std::string_view bytes, ByteOrder order);

}  // namespace wrenpost
