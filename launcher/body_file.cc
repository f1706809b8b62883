#include "launcher/body_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace wrenpost {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Drops every CR, and the LF right after one, in place: the file's lines run
// together, while a lone LF is no line end and stays. Whole lines move at
// once, so a file of a million lines costs no more than one of a few.
void JoinLines(std::string& text) {
  char* const begin = text.data();
  char* const end = begin + text.size();
  char* in = static_cast<char*>(std::memchr(begin, '\r', text.size()));
  if (in == nullptr) return;
  char* out = in;
  while (in != end) {  // `in` is at a CR
    ++in;
    if (in != end && *in == '\n') ++in;
    char* next = static_cast<char*>(std::memchr(in, '\r', static_cast<std::size_t>(end - in)));
    char* const stop = next != nullptr ? next : end;
    std::memmove(out, in, static_cast<std::size_t>(stop - in));
    out += stop - in;
    in = stop;
  }
  text.resize(static_cast<std::size_t>(out - begin));
}

// Replaces every ill-formed sequence with U+FFFD, so that a file that declared
// itself UTF-8 never hands on broken text.
std::string RepairUtf8(std::string_view bytes) {
  std::string result;
  result.reserve(bytes.size());
  while (!bytes.empty()) {
    std::size_t good = 0;
    // Find the longest valid prefix cheaply, one sequence at a time.
    while (good < bytes.size()) {
      const auto lead = static_cast<unsigned char>(bytes[good]);
      std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      if (good + length > bytes.size() || !IsValidUtf8(bytes.substr(good, length))) break;
      good += length;
    }
    result.append(bytes.substr(0, good));
    bytes.remove_prefix(good);
    if (!bytes.empty()) {
      result.append("\xEF\xBF\xBD");
      bytes.remove_prefix(1);
    }
  }
  return result;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  while (p < end) {
    // Plain ASCII runs are the common case; skip them eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t chunk;
      std::copy(p, p + 8, reinterpret_cast<unsigned char*>(&chunk));
      if (chunk & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p == end) break;
    const unsigned char lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // no overlongs
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (std::size_t i = 2; i < length; ++i) {
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    }
    p += length;
  }
  return true;
}

std::string DecodeBodyText(std::string bytes, FileSystem& files) {
  const bool marked_utf8 = std::string_view(bytes).starts_with(kUtf8Bom);
  if (marked_utf8) bytes.erase(0, kUtf8Bom.size());
  // The encoding is judged on the bytes as they stand: joining first could
  // make a byte before a line break and one after it a UTF-8 character.
  const bool valid_utf8 = IsValidUtf8(bytes);
  if (marked_utf8 && !valid_utf8) bytes = RepairUtf8(bytes);
  // CR and LF are the same bytes in UTF-8 and in every 8-bit code page, so the
  // lines can be joined before the text is decoded.
  JoinLines(bytes);
  if (valid_utf8 || marked_utf8) return bytes;
  return files.DecodeLegacyText(bytes);
}

std::string ReadBodyFile(FileSystem& files, const std::string& path) {
  if (!files.FileExists(path)) return {};
  return DecodeBodyText(files.ReadBytes(path), files);
}

}  // namespace wrenpost
