// The Windows command line on its way in: any UTF-16, unpaired surrogates
// included, through CommandTail and the WTF-8 conversion into ParseOptions.
// Nothing may crash, every 16-bit string must survive the round trip, and
// well-formed text must come out as UTF-8.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "options/parse_options.h"
#include "platform/windows/command_tail.h"
#include "text/utf8.h"
#include "text/wtf8.h"

namespace wrenpost::fuzz {
namespace {

bool WellFormedUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

std::string ShownUnits(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit >> 8);
    bytes += static_cast<char>(unit & 0xFF);
  }
  return Shown(bytes);
}

}  // namespace

int FuzzWindowsText(const std::uint8_t* data, std::size_t size) {
  std::u16string line;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    line += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }

  const std::u16string_view tail = CommandTail(line);
  FUZZ_CHECK(tail.size() <= line.size() &&
                 std::u16string_view(line).substr(line.size() - tail.size()) == tail,
             "the tail is not the end of the line " + ShownUnits(line));

  const std::string text = Utf16ToWtf8(tail);
  FUZZ_CHECK(Wtf8ToUtf16(text) == tail, "round trip of " + ShownUnits(tail));
  if (WellFormedUtf16(tail)) {
    FUZZ_CHECK(IsValidUtf8(text), "well-formed UTF-16 gave no UTF-8: " + Shown(text));
  }

  // What the parser makes of it stays inside the text, and converts back.
  const MessageRequest request = ParseOptions(text);
  // The parser cuts only at ASCII characters, so no field splits a character.
  std::vector<std::string> fields = {request.subject, request.body, request.body_file_path};
  for (const TextList* list : {&request.attachments, &request.recipients}) {
    if (*list) fields.insert(fields.end(), (*list)->begin(), (*list)->end());
  }
  for (const std::string& field : fields) {
    FUZZ_CHECK(text.find(field) != std::string::npos, "field outside the text: " + Shown(field));
    FUZZ_CHECK(Utf16ToWtf8(Wtf8ToUtf16(field)) == field, "field split a character: " + Shown(field));
  }

  // Any bytes into UTF-16: no crash, and UTF-8 comes back unchanged.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string units = Wtf8ToUtf16(bytes);
  if (IsValidUtf8(bytes)) {
    FUZZ_CHECK(Utf16ToWtf8(units) == bytes, "UTF-8 round trip of " + Shown(bytes));
  }
  return 0;
}

}  // namespace wrenpost::fuzz
