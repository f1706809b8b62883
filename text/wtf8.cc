#include "text/wtf8.h"

#include <cstdint>

#include "text/utf16.h"
#include "text/utf8.h"

namespace wrenpost {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

void AppendUtf16(std::uint32_t code, std::u16string& out) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
  } else {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  }
}

}  // namespace

std::string Utf16ToWtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t code = text[i];
    if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code = CombineSurrogates(code, text[i + 1]);
      ++i;
    }
    AppendUtf8(code, out);  // a lone surrogate takes the three-byte form
  }
  return out;
}

std::u16string Wtf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;  // no overlong forms; surrogates (ED A0..BF) allowed
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    bool good = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; good && k < length; ++k) {
      const unsigned char next = byte(i + k);
      const unsigned char min = k == 1 ? low : 0x80, max = k == 1 ? high : 0xBF;
      if (next < min || next > max) {
        good = false;
      } else {
        code = (code << 6) | (next & 0x3F);
      }
    }
    if (!good) {
      out += kReplacement;
      ++i;
      continue;
    }
    AppendUtf16(code, out);
    i += length;
  }
  return out;
}

std::string Wtf8ToUtf8(std::string_view text) {
  std::u16string wide = Wtf8ToUtf16(text);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(wide[i]) || IsLowSurrogate(wide[i])) {
      wide[i] = kReplacement;
    }
  }
  return Utf16ToWtf8(wide);
}

}  // namespace wrenpost
