#include "text/html.h"

#include <cstddef>
#include <vector>

namespace wrenpost {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[at + i]) != prefix[i]) return false;
  }
  return true;
}

// Elements whose content is raw text: nothing in it is markup up to their own end tag.
bool IsRawText(std::string_view name) {
  return name == "title" || name == "script" || name == "style" || name == "textarea";
}

// Where the tag whose attributes start at `at` ends, after its ">": a quote
// opens a value only right after "=", an unquoted value runs to a blank or
// ">". kNone when the tag never ends.
std::size_t TagEnd(std::string_view html, std::size_t at) {
  std::size_t i = at;
  for (;;) {
    while (i < html.size() && (IsSpace(html[i]) || html[i] == '/')) ++i;
    if (i >= html.size()) return kNone;
    if (html[i] == '>') return i + 1;
    ++i;  // the name's first character, which may be "="
    while (i < html.size() && !IsSpace(html[i]) && html[i] != '/' && html[i] != '>' && html[i] != '=') ++i;
    while (i < html.size() && IsSpace(html[i])) ++i;
    if (i >= html.size() || html[i] != '=') continue;
    ++i;
    while (i < html.size() && IsSpace(html[i])) ++i;
    if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
      const std::size_t close = html.find(html[i], i + 1);
      if (close == kNone) return kNone;
      i = close + 1;
    } else {
      while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') ++i;
    }
  }
}

// Where the raw text of `name` that starts at `at` ends: after its end tag, or the end.
std::size_t RawTextEnd(std::string_view html, std::size_t at, std::string_view name) {
  for (std::size_t close = html.find("</", at); close != kNone; close = html.find("</", close + 2)) {
    const std::size_t after = close + 2 + name.size();
    if (StartsWithNoCase(html, close + 2, name) && (after == html.size() || IsSpace(html[after]) ||
                                                     html[after] == '/' || html[after] == '>')) {
      const std::size_t end = TagEnd(html, after);
      return end == kNone ? html.size() : end;
    }
  }
  return html.size();
}

// The landmarks of an HTML text, found the way a browser reads the markup:
// comments, CDATA, declarations, raw text and attribute values hide what
// looks like a tag. Positions are kNone when not there.
struct Landmarks {
  std::size_t doctype_end = kNone;    // after the DOCTYPE declaration
  std::size_t html_open_end = kNone;  // after "<html …>"
  std::size_t head_open_end = kNone;  // after "<head …>"
  std::size_t head_close = kNone;     // at "</head>"
  std::size_t head_close_end = kNone;
  std::size_t body_open_end = kNone;  // after the first "<body …>"
  std::size_t body_close = kNone;     // at the first "</body>" after it
  std::size_t html_close = kNone;     // at the first "</html>" after the content began
  struct Element {
    std::size_t start, end;
  };
  std::vector<Element> styles;  // the <style> elements ahead of the body

  // Where the content begins: after the body tag; with none, after the head,
  // else after the html tag, never ahead of a DOCTYPE. 0 for a fragment.
  std::size_t ContentStart() const {
    for (const std::size_t at : {body_open_end, head_close_end, html_open_end, doctype_end}) {
      if (at != kNone) return at;
    }
    return 0;
  }
};

Landmarks Scan(std::string_view html) {
  Landmarks found;
  std::size_t at = 0;
  while ((at = html.find('<', at)) != kNone) {
    std::size_t end = kNone;
    if (html.compare(at, 4, "<!--") == 0) {
      // "<!-->" and "<!--->" end where they begin.
      if (html.compare(at + 4, 1, ">") == 0) {
        end = at + 5;
      } else if (html.compare(at + 4, 2, "->") == 0) {
        end = at + 6;
      } else {
        const std::size_t close = html.find("-->", at + 4);
        end = close == kNone ? kNone : close + 3;
      }
    } else if (StartsWithNoCase(html, at, "<![cdata[")) {
      const std::size_t close = html.find("]]>", at + 9);
      end = close == kNone ? kNone : close + 3;
    } else if (html.compare(at, 2, "<!") == 0 || html.compare(at, 2, "<?") == 0) {
      const std::size_t close = html.find('>', at + 2);
      end = close == kNone ? kNone : close + 1;
      if (end != kNone && found.doctype_end == kNone && StartsWithNoCase(html, at, "<!doctype")) found.doctype_end = end;
    } else {
      const bool closing = html.compare(at, 2, "</") == 0;
      const std::size_t name_start = at + (closing ? 2 : 1);
      if (name_start >= html.size() || !IsLetter(html[name_start])) {
        ++at;  // a "<" of the text
        continue;
      }
      std::size_t name_end = name_start;
      while (name_end < html.size() && !IsSpace(html[name_end]) && html[name_end] != '/' && html[name_end] != '>') {
        ++name_end;
      }
      std::string name;
      for (std::size_t i = name_start; i < name_end; ++i) name += Lower(html[i]);
      end = TagEnd(html, name_end);
      if (end == kNone) break;
      if (closing) {
        if (name == "head" && found.head_close == kNone) {
          found.head_close = at;
          found.head_close_end = end;
        } else if (name == "body" && found.body_open_end != kNone && found.body_close == kNone) {
          found.body_close = at;
        } else if (name == "html" && found.html_close == kNone && at >= found.ContentStart()) {
          found.html_close = at;
        }
      } else if (IsRawText(name)) {
        const std::size_t element_end = RawTextEnd(html, end, name);
        if (name == "style" && found.body_open_end == kNone) found.styles.push_back({at, element_end});
        end = element_end;
      } else if (name == "html" && found.html_open_end == kNone) {
        found.html_open_end = end;
      } else if (name == "head" && found.head_open_end == kNone) {
        found.head_open_end = end;
      } else if (name == "body" && found.body_open_end == kNone) {
        found.body_open_end = end;
      }
    }
    if (end == kNone) break;
    at = end;
  }
  return found;
}

// What of `insertion` goes into the message's body: the content of a whole
// document's body (or of the document, when it has no body tag), a fragment
// as it is.
std::string_view InsertedContent(std::string_view insertion, const Landmarks& found) {
  const std::size_t start = found.ContentStart();
  std::size_t end = insertion.size();
  if (found.body_close != kNone) {
    end = found.body_close;
  } else if (found.html_close != kNone && found.html_close >= start) {
    end = found.html_close;
  }
  return insertion.substr(start, end - start);
}

// The style elements of a whole document's head, which leave it with the rest of the head.
std::string HeadStyles(std::string_view insertion, const Landmarks& found) {
  std::string styles;
  for (const Landmarks::Element& style : found.styles) {
    if (style.end <= found.ContentStart()) styles.append(insertion.substr(style.start, style.end - style.start));
  }
  return styles;
}

}  // namespace

std::string InsertAtBodyStart(std::string_view html, std::string_view insertion) {
  const Landmarks target = Scan(html);
  const Landmarks inserted = Scan(insertion);
  const std::string_view content = InsertedContent(insertion, inserted);
  const std::string styles = HeadStyles(insertion, inserted);
  const std::size_t content_at = target.ContentStart();
  // Where the styles go: at the end of the head; with none, in a head of
  // their own after the html tag, else with the content.
  std::size_t styles_at = content_at;
  std::string_view head_open, head_close;
  if (!styles.empty()) {
    if (target.head_close != kNone) {
      styles_at = target.head_close;
    } else if (target.head_open_end != kNone) {
      styles_at = target.head_open_end;
    } else if (target.html_open_end != kNone) {
      styles_at = target.html_open_end;
      head_open = "<head>";
      head_close = "</head>";
    }
  }
  std::string result;
  result.reserve(html.size() + styles.size() + content.size() + 16);
  result.append(html.substr(0, styles_at)).append(head_open).append(styles).append(head_close);
  result.append(html.substr(styles_at, content_at - styles_at)).append(content).append(html.substr(content_at));
  return result;
}

std::string TextAsHtmlParagraph(std::string_view text) {
  std::string html = "<p class=MsoNormal>";
  html.reserve(text.size() + 32);
  // A blank that HTML would fold into the one before it, or drop at a line's
  // start, is a non-breaking one; a tab is Word's own tab, which other
  // readers show as blanks.
  bool blank_before = true;
  for (const char c : text) {
    switch (c) {
      case '&': html += "&amp;"; break;
      case '<': html += "&lt;"; break;
      case '>': html += "&gt;"; break;
      case '"': html += "&quot;"; break;
      case '\n': html += "<br>"; break;
      case ' ': html += blank_before ? "&nbsp;" : " "; break;
      case '\t': html += "<span style='mso-tab-count:1'>&nbsp;&nbsp;&nbsp;&nbsp;</span>"; break;
      default: html += c;
    }
    blank_before = c == ' ' || c == '\n';
  }
  html += "</p>";
  return html;
}

}  // namespace wrenpost
