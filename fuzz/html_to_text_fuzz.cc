// HTML bodies turned into plain text for clients without HTML compose. Any
// bytes are fed: no crash, no overrun. Checked against what the text must be:
// - a text without markup ("<" and "&") comes out with its white space
//   collapsed and trimmed, and nothing else changed;
// - well-formed UTF-8 stays well-formed;
// - the result never starts or ends with a line break, and a comment in
//   front of the text changes nothing.
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "text/html_to_text.h"
#include "text/utf8.h"

namespace wrenpost::fuzz {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string Collapsed(const std::string& text) {
  std::string out;
  bool blank = false;
  for (const char c : text) {
    if (IsSpace(c)) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace

int FuzzHtmlToText(const std::uint8_t* data, std::size_t size) {
  ByteReader input(data, size);
  const std::string html = input.TakeRest().substr(0, 4096);
  const std::string text = HtmlToText(html);
  FUZZ_CHECK(text.empty() || (text.front() != '\n' && text.back() != '\n'),
             "HtmlToText(" + Shown(html) + ") has a line break at an end: " + Shown(text));
  if (IsValidUtf8(html)) {
    FUZZ_CHECK(IsValidUtf8(text), "HtmlToText(" + Shown(html) + ") is no UTF-8: " + Shown(text));
  }
  if (html.find_first_of("<&") == std::string::npos) {
    FUZZ_CHECK(text == Collapsed(html), "HtmlToText(" + Shown(html) + ") gave " + Shown(text));
  }
  const std::string commented = "<!-- <p>x</p> & -->" + html;
  FUZZ_CHECK(HtmlToText(commented) == text, "a comment changes HtmlToText(" + Shown(commented) + ")");
  return 0;
}

}  // namespace wrenpost::fuzz
