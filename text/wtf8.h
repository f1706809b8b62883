// Lossless conversion between the program's UTF-8 text and the UTF-16 of the
// Windows API. Windows strings may hold unpaired surrogates (a file name, a
// command line); they are carried as WTF-8, the three-byte form UTF-8 would
// give them, and restored on the way back, so every 16-bit string survives the
// round trip. Pure code: no Windows header needed.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

// UTF-16 (possibly ill-formed) to WTF-8. Never fails.
std::string Utf16ToWtf8(std::u16string_view text);

// WTF-8 (and so UTF-8) to UTF-16. A byte that starts no well-formed sequence
// becomes U+FFFD, one per byte.
std::u16string Wtf8ToUtf16(std::string_view text);

// WTF-8 as well-formed UTF-8, for readers that reject anything else: each
// unpaired surrogate becomes one U+FFFD, and so does each byte that starts no
// sequence.
std::string Wtf8ToUtf8(std::string_view text);

}  // namespace wrenpost
