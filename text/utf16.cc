#include "text/utf16.h"

#include <cstdint>

#include "text/utf8.h"

namespace wrenpost {
namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

}  // namespace

std::string Utf16BytesToUtf8(std::string_view bytes, ByteOrder order) {
  const std::size_t units = bytes.size() / 2;
  const auto unit_at = [&](std::size_t i) -> std::uint32_t {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    return order == ByteOrder::kLittleEndian ? first | (second << 8) : (first << 8) | second;
  };
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t code = unit_at(i);
    if (IsHighSurrogate(code) && i + 1 < units && IsLowSurrogate(unit_at(i + 1))) {
      code = CombineSurrogates(code, unit_at(i + 1));
      ++i;
    } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
      code = kReplacement;
    }
    AppendUtf8(code, out);
  }
  if (bytes.size() % 2 != 0) AppendUtf8(kReplacement, out);
  return out;
}

}  // namespace wrenpost
