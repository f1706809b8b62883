#include "text/html_to_text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/utf8.h"

namespace wrenpost {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == ':';
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[at + i]) != prefix[i]) return false;
  }
  return true;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (const std::string_view candidate : names) {
    if (name == candidate) return true;
  }
  return false;
}

// Elements dropped with everything inside them.
bool IsDropped(std::string_view name) { return OneOf(name, {"head", "title", "style", "script", "template"}); }
// Elements whose content is raw text: no tags inside, up to their own end tag.
bool IsRawText(std::string_view name) { return OneOf(name, {"title", "style", "script", "textarea"}); }
// Blocks set apart from what is around them by an empty line.
bool IsParagraph(std::string_view name) {
  return OneOf(name, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl", "table", "blockquote", "pre"});
}
// Blocks that only start and end on a line of their own.
bool IsLineBlock(std::string_view name) {
  return OneOf(name, {"div", "li", "tr", "dt", "dd", "address", "article", "aside", "center", "details",
                      "figcaption", "figure", "footer", "form", "header", "main", "nav", "section", "summary",
                      "caption", "fieldset", "legend", "body", "html"});
}

struct Entity {
  std::string_view name;
  std::uint32_t code_point;
};

// The named references mail bodies use; HTML knows more, which stay as written.
constexpr std::array<Entity, 62> kEntities = {{
    {"amp", '&'},        {"lt", '<'},         {"gt", '>'},          {"quot", '"'},       {"apos", '\''},
    {"nbsp", 0xA0},      {"shy", 0xAD},       {"copy", 0xA9},       {"reg", 0xAE},       {"trade", 0x2122},
    {"hellip", 0x2026},  {"mdash", 0x2014},   {"ndash", 0x2013},    {"lsquo", 0x2018},   {"rsquo", 0x2019},
    {"sbquo", 0x201A},   {"ldquo", 0x201C},   {"rdquo", 0x201D},    {"bdquo", 0x201E},   {"laquo", 0xAB},
    {"raquo", 0xBB},     {"euro", 0x20AC},    {"pound", 0xA3},      {"yen", 0xA5},       {"cent", 0xA2},
    {"deg", 0xB0},       {"middot", 0xB7},    {"bull", 0x2022},     {"times", 0xD7},     {"divide", 0xF7},
    {"plusmn", 0xB1},    {"sect", 0xA7},      {"para", 0xB6},       {"ordm", 0xBA},      {"ordf", 0xAA},
    {"frac12", 0xBD},    {"frac14", 0xBC},    {"frac34", 0xBE},     {"sup2", 0xB2},      {"sup3", 0xB3},
    {"micro", 0xB5},     {"iexcl", 0xA1},     {"iquest", 0xBF},     {"thinsp", 0x2009},  {"ensp", 0x2002},
    {"emsp", 0x2003},    {"zwnj", 0x200C},    {"zwj", 0x200D},      {"oacute", 0xF3},    {"Oacute", 0xD3},
    {"eacute", 0xE9},    {"Eacute", 0xC9},    {"aacute", 0xE1},     {"Aacute", 0xC1},    {"uuml", 0xFC},
    {"Uuml", 0xDC},      {"ouml", 0xF6},      {"Ouml", 0xD6},       {"auml", 0xE4},      {"Auml", 0xC4},
    {"szlig", 0xDF},     {"rarr", 0x2192},
}};

// The code point a reference at `at` ("&...;") stands for, and its length.
std::optional<std::pair<std::uint32_t, std::size_t>> Reference(std::string_view html, std::size_t at) {
  const std::size_t semicolon = html.find(';', at + 1);
  if (semicolon == std::string_view::npos || semicolon - at > 12) return std::nullopt;
  const std::string_view body = html.substr(at + 1, semicolon - at - 1);
  const std::size_t length = semicolon - at + 1;
  if (body.size() >= 2 && body[0] == '#') {
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
      std::uint32_t digit = 0;
      if (c >= '0' && c <= '9') {
        digit = static_cast<std::uint32_t>(c - '0');
      } else if (hex && Lower(c) >= 'a' && Lower(c) <= 'f') {
        digit = static_cast<std::uint32_t>(Lower(c) - 'a' + 10);
      } else {
        return std::nullopt;
      }
      value = value * (hex ? 16 : 10) + digit;
      if (value > 0x10FFFF) return std::nullopt;
    }
    // NUL and surrogates are no characters: the replacement character, as browsers show them.
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    return std::pair{value, length};
  }
  for (const Entity& entity : kEntities) {
    if (entity.name == body) return std::pair{entity.code_point, length};
  }
  return std::nullopt;
}

// The text being written: blanks collapse, lines and empty lines are asked
// for rather than written, so that neighbouring blocks ask only once.
class TextWriter {
 public:
  void Text(std::string_view text, bool preformatted) {
    for (const char c : text) {
      if (preformatted) {
        if (c == '\r') continue;
        if (c == '\n') {
          LineBreak();
          continue;
        }
        Put(c);
      } else if (IsSpace(c)) {
        pending_blank_ = true;
      } else {
        Put(c);
      }
    }
  }
  void CodePoint(std::uint32_t code_point) {
    std::string bytes;
    AppendUtf8(code_point, bytes);
    for (const char c : bytes) Put(c);
  }
  void Blank() { pending_blank_ = true; }
  bool LineEmpty() const { return line_empty_; }
  // Ends the current line, if it holds anything.
  void EndLine() {
    pending_blank_ = false;
    if (!line_empty_) NewLine();
  }
  // A line break even on an empty line: <br><br> is an empty line.
  void LineBreak() {
    pending_blank_ = false;
    NewLine();
  }
  void EndParagraph() {
    EndLine();
    paragraph_pending_ = true;
  }
  std::string Finish() {
    while (!out_.empty() && out_.back() == '\n') out_.pop_back();
    return std::move(out_);
  }

 private:
  void NewLine() {
    while (!out_.empty() && out_.back() == ' ') out_.pop_back();
    if (!out_.empty()) out_ += '\n';
    line_empty_ = true;
  }
  void Put(char c) {
    if (line_empty_) {
      if (paragraph_pending_ && !out_.empty() && !out_.ends_with("\n\n")) out_ += '\n';
      paragraph_pending_ = false;
      pending_blank_ = false;
    } else if (pending_blank_ && out_.back() != ' ' && out_.back() != '\t') {
      out_ += ' ';
    }
    pending_blank_ = false;
    line_empty_ = false;
    out_ += c;
  }

  std::string out_;
  bool line_empty_ = true;
  bool pending_blank_ = false;
  bool paragraph_pending_ = false;
};

struct Tag {
  std::string name;  // lower case
  bool closing = false;
  std::size_t end = 0;  // just after ">", or the end of the text
  std::string href;     // <a href>
  std::string alt;      // <img alt>
};

// The value of the attribute that starts at `at`, and where it ends.
std::string AttributeValue(std::string_view html, std::size_t& at) {
  while (at < html.size() && IsSpace(html[at])) ++at;
  if (at >= html.size()) return {};
  if (html[at] == '"' || html[at] == '\'') {
    const char quote = html[at];
    const std::size_t close = html.find(quote, at + 1);
    const std::size_t stop = close == std::string_view::npos ? html.size() : close;
    std::string value(html.substr(at + 1, stop - at - 1));
    at = stop == html.size() ? stop : stop + 1;
    return value;
  }
  const std::size_t start = at;
  while (at < html.size() && !IsSpace(html[at]) && html[at] != '>') ++at;
  return std::string(html.substr(start, at - start));
}

// The tag starting at `at` ("<" followed by a letter or "/").
Tag ReadTag(std::string_view html, std::size_t at) {
  Tag tag;
  std::size_t i = at + 1;
  if (i < html.size() && html[i] == '/') {
    tag.closing = true;
    ++i;
  }
  while (i < html.size() && IsNameChar(html[i])) tag.name += Lower(html[i++]);
  // Attributes, with quoted values that may hold ">".
  while (i < html.size() && html[i] != '>') {
    if (IsSpace(html[i]) || html[i] == '/') {
      ++i;
      continue;
    }
    std::string name;
    while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '/') {
      name += Lower(html[i++]);
    }
    if (name.empty()) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < html.size() && IsSpace(html[j])) ++j;
    if (j < html.size() && html[j] == '=') {
      i = j + 1;
      std::string value = AttributeValue(html, i);
      if (name == "href") tag.href = std::move(value);
      if (name == "alt") tag.alt = std::move(value);
    }
  }
  tag.end = i < html.size() ? i + 1 : html.size();
  return tag;
}

// Where the raw text of element `name` ends: at its end tag, or the end.
std::size_t RawTextEnd(std::string_view html, std::size_t from, std::string_view name) {
  for (std::size_t at = html.find("</", from); at != std::string_view::npos; at = html.find("</", at + 2)) {
    if (StartsWithNoCase(html, at + 2, name) &&
        (at + 2 + name.size() == html.size() || !IsNameChar(html[at + 2 + name.size()]))) {
      return at;
    }
  }
  return html.size();
}

// Decoded text of `raw` (references resolved), as it stands.
std::string Decoded(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '&') {
      if (const auto reference = Reference(raw, i)) {
        AppendUtf8(reference->first, out);
        i += reference->second - 1;
        continue;
      }
    }
    out += raw[i];
  }
  return out;
}

}  // namespace

std::string HtmlToText(std::string_view html) {
  TextWriter writer;
  int dropped = 0;       // depth inside dropped elements
  int preformatted = 0;  // depth inside <pre>
  std::string link;      // the address of the link being written
  std::string link_text;
  std::vector<int> lists;  // the open lists: the next item's number, 0 in a bulleted one
  std::size_t i = 0;
  const auto write_text = [&](std::string_view text) {
    if (dropped > 0) return;
    writer.Text(text, preformatted > 0);
    if (!link.empty()) link_text += text;
  };
  while (i < html.size()) {
    const char c = html[i];
    if (c == '&') {
      if (const auto reference = Reference(html, i)) {
        if (dropped == 0) {
          // "&#10;" is white space like a line break written as it is.
          if (reference->first < 0x80) {
            const char c = static_cast<char>(reference->first);
            writer.Text(std::string_view(&c, 1), preformatted > 0);
          } else {
            writer.CodePoint(reference->first);
          }
          if (!link.empty()) AppendUtf8(reference->first, link_text);
        }
        i += reference->second;
        continue;
      }
      write_text(html.substr(i, 1));
      ++i;
      continue;
    }
    if (c != '<') {
      const std::size_t next = html.find_first_of("<&", i);
      const std::size_t stop = next == std::string_view::npos ? html.size() : next;
      write_text(html.substr(i, stop - i));
      i = stop;
      continue;
    }
    // Comments, "<!-->" and "<!--->" included, end at the first "-->" after "<!--".
    if (html.compare(i, 4, "<!--") == 0) {
      if (html.compare(i + 4, 1, ">") == 0) {
        i += 5;
      } else if (html.compare(i + 4, 2, "->") == 0) {
        i += 6;
      } else {
        const std::size_t end = html.find("-->", i + 4);
        i = end == std::string_view::npos ? html.size() : end + 3;
      }
      continue;
    }
    if (StartsWithNoCase(html, i, "<![cdata[")) {
      const std::size_t end = html.find("]]>", i + 9);
      const std::size_t stop = end == std::string_view::npos ? html.size() : end;
      if (dropped == 0) writer.Text(html.substr(i + 9, stop - i - 9), preformatted > 0);
      i = stop == html.size() ? stop : stop + 3;
      continue;
    }
    if (html.compare(i, 2, "<!") == 0 || html.compare(i, 2, "<?") == 0) {
      const std::size_t end = html.find('>', i + 2);
      i = end == std::string_view::npos ? html.size() : end + 1;
      continue;
    }
    const bool opens_tag = i + 1 < html.size() && ((html[i + 1] >= 'a' && html[i + 1] <= 'z') ||
                                                   (html[i + 1] >= 'A' && html[i + 1] <= 'Z') || html[i + 1] == '/');
    if (!opens_tag) {
      write_text("<");
      ++i;
      continue;
    }
    const Tag tag = ReadTag(html, i);
    i = tag.end;
    if (tag.name.empty()) continue;
    if (!tag.closing && IsRawText(tag.name)) {
      // Nothing inside is a tag; what is not dropped (a textarea) is text.
      const std::size_t end = RawTextEnd(html, i, tag.name);
      if (!IsDropped(tag.name)) write_text(Decoded(html.substr(i, end - i)));
      i = end;
      continue;
    }
    if (IsDropped(tag.name)) {
      dropped += tag.closing ? (dropped > 0 ? -1 : 0) : 1;
      continue;
    }
    if (dropped > 0) continue;
    const std::string& name = tag.name;
    if (name == "br") {
      writer.LineBreak();
    } else if (name == "hr") {
      writer.EndParagraph();
      writer.Text("----------", true);
      writer.EndParagraph();
    } else if (name == "pre") {
      preformatted += tag.closing ? (preformatted > 0 ? -1 : 0) : 1;
      writer.EndParagraph();
    } else if (IsParagraph(name)) {
      if (name == "ol" || name == "ul") {
        if (!tag.closing) {
          lists.push_back(name == "ol" ? 1 : 0);
        } else if (!lists.empty()) {
          lists.pop_back();
        }
      }
      writer.EndParagraph();
    } else if (name == "li" && !tag.closing) {
      writer.EndLine();
      const int number = lists.empty() || lists.back() == 0 ? 0 : lists.back()++;
      writer.Text(number > 0 ? std::to_string(number) + "." : "-", true);
      writer.Blank();
    } else if (IsLineBlock(name)) {
      writer.EndLine();
    } else if (name == "td" || name == "th") {
      if (!tag.closing && !writer.LineEmpty()) writer.Text("\t", true);
    } else if (name == "img" && !tag.alt.empty()) {
      write_text(Decoded(tag.alt));
    } else if (name == "a") {
      if (!tag.closing) {
        link = Decoded(tag.href);
        link_text.clear();
        const bool shown = link.starts_with("http://") || link.starts_with("https://") || link.starts_with("mailto:");
        if (!shown) link.clear();
      } else if (!link.empty()) {
        std::string address = link.starts_with("mailto:") ? link.substr(7) : link;
        std::string text = link_text;
        while (!text.empty() && IsSpace(text.back())) text.pop_back();
        while (!text.empty() && IsSpace(text.front())) text.erase(0, 1);
        link.clear();
        if (text != address && text != "mailto:" + address) {
          writer.Blank();
          writer.Text("(" + address + ")", true);
        }
      }
    }
  }
  return writer.Finish();
}

}  // namespace wrenpost
