#include "launcher/body_file.h"

#include <cstring>

#include "text/utf16.h"
#include "text/utf8.h"

namespace wrenpost {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

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

}  // namespace

std::string DecodeBodyText(std::string bytes, FileSystem& files) {
  // "Unicode" files (Notepad, .NET): decoded first, then joined, so that a CR
  // or LF is a whole code unit and never half of one.
  for (const auto& [mark, order] : {std::pair{kUtf16LeBom, ByteOrder::kLittleEndian},
                                    std::pair{kUtf16BeBom, ByteOrder::kBigEndian}}) {
    if (std::string_view(bytes).starts_with(mark)) {
      std::string text = Utf16BytesToUtf8(std::string_view(bytes).substr(mark.size()), order);
      JoinLines(text);
      return text;
    }
  }
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
