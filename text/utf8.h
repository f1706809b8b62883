// UTF-8, the program's own text: encoding code points, checking and
// repairing byte sequences. Pure code, used on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wrenpost {

inline constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

// Appends `code_point` (up to U+10FFFF) in UTF-8. A surrogate takes the
// three-byte form, as WTF-8 carries it.
void AppendUtf8(std::uint32_t code_point, std::string& out);

// Whether `bytes` is well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes) noexcept;

// `bytes` with every byte that starts no well-formed sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes);

// Length of the sequence a lead byte announces: 2 for C2-DF, 3 for E0-EF, 4
// for F0-F4; 1 for an ASCII byte and for every byte that cannot lead a
// well-formed sequence (80-C1, F5-FF).
std::size_t Utf8SequenceLength(unsigned char lead) noexcept;

}  // namespace wrenpost
