#include "text/html.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>
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

// Where the raw text of `name` that starts at `at` ends: after its end tag;
// kNone when it has none.
std::size_t RawTextEnd(std::string_view html, std::size_t at, std::string_view name) {
  for (std::size_t close = html.find("</", at); close != kNone; close = html.find("</", close + 2)) {
    const std::size_t after = close + 2 + name.size();
    if (StartsWithNoCase(html, close + 2, name) && (after == html.size() || IsSpace(html[after]) ||
                                                     html[after] == '/' || html[after] == '>')) {
      const std::size_t end = TagEnd(html, after);
      return end == kNone ? html.size() : end;
    }
  }
  return kNone;
}

// One piece of markup: a comment, CDATA, a declaration (DOCTYPE, "<?…>") or
// a tag; a raw-text element is one piece with its content and end tag.
struct Markup {
  enum class Kind { kComment, kCdata, kDeclaration, kStartTag, kEndTag };
  Kind kind = Kind::kComment;
  std::size_t start = 0;
  std::size_t end = kNone;  // after it; the end of the text when it is not closed
  bool closed = true;       // false when the text ends inside it
  std::string name;         // a tag's, in lower case
  bool self_closing = false;  // a tag written "<x … />"
  bool raw_text = false;      // a whole start tag of a raw-text element, its content after it
};

// Calls `visit` for each piece of markup of `html` in order, read the way a
// browser reads it: comments, CDATA, declarations, raw text and attribute
// values hide what looks like a tag. Ends with the first piece not closed.
template <typename Visit>
void ForEachMarkup(std::string_view html, Visit&& visit) {
  std::size_t at = 0;
  while ((at = html.find('<', at)) != kNone) {
    Markup markup;
    markup.start = at;
    if (html.compare(at, 4, "<!--") == 0) {
      // "<!-->" and "<!--->" end where they begin.
      if (html.compare(at + 4, 1, ">") == 0) {
        markup.end = at + 5;
      } else if (html.compare(at + 4, 2, "->") == 0) {
        markup.end = at + 6;
      } else {
        const std::size_t close = html.find("-->", at + 4);
        markup.end = close == kNone ? kNone : close + 3;
      }
    } else if (StartsWithNoCase(html, at, "<![cdata[")) {
      markup.kind = Markup::Kind::kCdata;
      const std::size_t close = html.find("]]>", at + 9);
      markup.end = close == kNone ? kNone : close + 3;
    } else if (html.compare(at, 2, "<!") == 0 || html.compare(at, 2, "<?") == 0) {
      markup.kind = Markup::Kind::kDeclaration;
      const std::size_t close = html.find('>', at + 2);
      markup.end = close == kNone ? kNone : close + 1;
    } else {
      const bool closing = html.compare(at, 2, "</") == 0;
      const std::size_t name_start = at + (closing ? 2 : 1);
      if (name_start >= html.size() || !IsLetter(html[name_start])) {
        ++at;  // a "<" of the text
        continue;
      }
      markup.kind = closing ? Markup::Kind::kEndTag : Markup::Kind::kStartTag;
      std::size_t name_end = name_start;
      while (name_end < html.size() && !IsSpace(html[name_end]) && html[name_end] != '/' && html[name_end] != '>') {
        markup.name += Lower(html[name_end++]);
      }
      markup.end = TagEnd(html, name_end);
      markup.self_closing = markup.end != kNone && html[markup.end - 2] == '/';
      if (!closing && markup.end != kNone && IsRawText(markup.name)) {
        markup.raw_text = true;
        markup.end = RawTextEnd(html, markup.end, markup.name);
      }
    }
    markup.closed = markup.end != kNone;
    if (!markup.closed) markup.end = html.size();
    visit(markup);
    if (!markup.closed) return;
    at = markup.end;
  }
}

// The landmarks of an HTML text. Positions are kNone when not there.
struct Landmarks {
  std::size_t doctype_end = kNone;    // after the DOCTYPE declaration
  std::size_t html_open_end = kNone;  // after "<html …>"
  std::size_t head_open_end = kNone;  // after "<head …>"
  std::size_t head_close = kNone;     // at "</head>"
  std::size_t head_close_end = kNone;
  std::size_t body_open = kNone;      // at the first "<body …>"
  std::size_t body_open_end = kNone;
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
  // Where an inserted document's shown content begins: at the end of its head
  // when the head ends ahead of the body tag (a browser shows text between
  // the two), else as above.
  std::size_t ShownStart() const {
    if (head_close != kNone && (body_open == kNone || head_close < body_open)) return head_close_end;
    return ContentStart();
  }
};

Landmarks Scan(std::string_view html) {
  Landmarks found;
  ForEachMarkup(html, [&](const Markup& markup) {
    if (markup.kind == Markup::Kind::kDeclaration) {
      if (markup.closed && found.doctype_end == kNone && StartsWithNoCase(html, markup.start, "<!doctype")) {
        found.doctype_end = markup.end;
      }
      return;
    }
    if (markup.kind == Markup::Kind::kEndTag) {
      if (markup.closed && markup.name == "head" && found.head_close == kNone) {
        found.head_close = markup.start;
        found.head_close_end = markup.end;
      }
      return;
    }
    if (markup.kind != Markup::Kind::kStartTag) return;
    if (markup.raw_text && markup.name == "style" && found.body_open_end == kNone) {
      found.styles.push_back({markup.start, markup.end});
    } else if (!markup.closed) {
      return;
    } else if (markup.name == "html" && found.html_open_end == kNone) {
      found.html_open_end = markup.end;
    } else if (markup.name == "head" && found.head_open_end == kNone) {
      found.head_open_end = markup.end;
    } else if (markup.name == "body" && found.body_open_end == kNone) {
      found.body_open = markup.start;
      found.body_open_end = markup.end;
    }
  });
  return found;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (const std::string_view candidate : names) {
    if (name == candidate) return true;
  }
  return false;
}

bool IsVoid(std::string_view name) {
  return OneOf(name, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr", "image", "img",
                      "input", "keygen", "link", "meta", "param", "source", "track", "wbr"});
}
// Formatting elements: a browser reopens them for the text after a block
// that closed them, until their own end tag.
bool IsFormatting(std::string_view name) {
  return OneOf(name, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong", "tt",
                      "u"});
}
// Start tags that end an open paragraph.
bool ClosesParagraph(std::string_view name) {
  return OneOf(name, {"address", "article", "aside", "blockquote", "center", "details", "dialog", "dir", "div",
                      "dl", "dd", "dt", "fieldset", "figcaption", "figure", "footer", "form", "h1", "h2", "h3",
                      "h4", "h5", "h6", "header", "hgroup", "hr", "li", "listing", "main", "menu", "nav", "ol",
                      "p", "plaintext", "pre", "section", "summary", "ul", "xmp"});
}
// Elements that an end tag of something else inside them does not reach past.
bool IsScopeBoundary(std::string_view name) {
  return OneOf(name, {"applet", "button", "caption", "marquee", "object", "table", "td", "th", "template"});
}
// Elements that keep the formatting opened inside them to themselves.
bool IsMarker(std::string_view name) {
  return OneOf(name, {"applet", "caption", "marquee", "object", "td", "th", "template"});
}
bool IsTablePart(std::string_view name) {
  return OneOf(name, {"caption", "colgroup", "table", "tbody", "tfoot", "thead", "tr", "td", "th"});
}

// The elements a browser still holds open at the end of inserted HTML, as
// far as they matter for what follows it: an end tag closes up to its
// element, a block closes an open paragraph, a list item the one before. A
// formatting element closed by a block around it stays in force (a browser
// reopens it for the next text) until its own end tag.
class OpenElements {
 public:
  void Start(const Markup& tag) {
    const std::string& name = tag.name;
    if (ClosesParagraph(name)) CloseOpen("p", {});
    if (name == "li") CloseOpen("li", {"ul", "ol"});
    if (name == "dd" || name == "dt") {
      CloseOpen("dd", {"dl"});
      CloseOpen("dt", {"dl"});
    }
    if (name == "td" || name == "th") {
      CloseOpen("td", {"tr"});
      CloseOpen("th", {"tr"});
    }
    if (name == "tr") {
      CloseOpen("td", {"tr"});
      CloseOpen("th", {"tr"});
      CloseOpen("tr", {});
    }
    if (IsVoid(name) || IsRawText(name)) return;
    const bool foreign = name == "svg" || name == "math" || Holds("svg") || Holds("math");
    if (tag.self_closing && foreign) return;
    open_.push_back(name);
    if (IsFormatting(name)) formatting_.push_back(name);
    if (IsMarker(name)) formatting_.emplace_back();
  }

  void End(const std::string& name) {
    if (IsFormatting(name)) {
      for (std::size_t i = formatting_.size(); i-- > 0 && !formatting_[i].empty();) {
        if (formatting_[i] == name) {
          formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
          break;
        }
      }
    }
    for (std::size_t i = open_.size(); i-- > 0;) {
      if (open_[i] == name) return PopTo(i);
      if (open_[i] == "table" || (IsScopeBoundary(open_[i]) && !IsTablePart(name))) return;
    }
  }

  // The end tags that close what is open, and the formatting still in force.
  std::string EndTags() const {
    std::string tags;
    std::vector<std::string> formatting = formatting_;
    for (std::size_t i = open_.size(); i-- > 0;) {
      tags += "</" + open_[i] + ">";
      for (std::size_t k = formatting.size(); k-- > 0;) {
        if (formatting[k] == open_[i]) {
          formatting.erase(formatting.begin() + static_cast<std::ptrdiff_t>(k));
          break;
        }
      }
    }
    for (std::size_t k = formatting.size(); k-- > 0;) {
      if (!formatting[k].empty()) tags += "</" + formatting[k] + ">";
    }
    return tags;
  }

 private:
  bool Holds(std::string_view name) const {
    for (const std::string& open : open_) {
      if (open == name) return true;
    }
    return false;
  }

  // Closes the open `name` unless a scope boundary or one of `stops` is nearer.
  void CloseOpen(std::string_view name, std::initializer_list<std::string_view> stops) {
    for (std::size_t i = open_.size(); i-- > 0;) {
      if (open_[i] == name) return PopTo(i);
      if (IsScopeBoundary(open_[i]) || OneOf(open_[i], stops)) return;
    }
  }

  // Pops the elements from `index` up; a cell, caption or object takes the
  // formatting opened inside it along ("" marks where it began).
  void PopTo(std::size_t index) {
    for (std::size_t i = open_.size(); i-- > index;) {
      if (IsMarker(open_[i])) {
        while (!formatting_.empty() && !formatting_.back().empty()) formatting_.pop_back();
        if (!formatting_.empty()) formatting_.pop_back();
      }
    }
    open_.resize(index);
  }

  std::vector<std::string> open_;
  std::vector<std::string> formatting_;
};

bool IsBlank(std::string_view text) {
  for (const char c : text) {
    if (!IsSpace(c)) return false;
  }
  return true;
}

// What of `insertion` goes into the message's body, as a browser shows it: a
// fragment as it is; of a whole document all but its head and its html, head
// and body tags, including what stands between its head and body, after
// </body> or </html> and in a second body (white space there left out).
// Elements, a comment or raw text left open at the end are closed, so that
// they neither hide nor restyle the signature after them; a tag cut off at
// the end is dropped, as a browser drops it.
std::string InsertedContent(std::string_view insertion, const Landmarks& found) {
  const std::size_t start = found.ShownStart();
  std::string content;
  OpenElements open;
  std::string closing;  // what ends a piece of markup left open at the end
  bool in_body = found.body_open == kNone || start >= found.body_open_end;
  std::size_t at = start;
  const auto text_up_to = [&](std::size_t to) {
    if (to <= at) return;
    const std::string_view text = insertion.substr(at, to - at);
    if (in_body || !IsBlank(text)) content.append(text);
  };
  ForEachMarkup(insertion, [&](const Markup& markup) {
    if (markup.end <= start) return;
    text_up_to(markup.start);
    at = markup.end;
    const bool structure = OneOf(markup.name, {"html", "head", "body"});
    if (markup.kind == Markup::Kind::kStartTag || markup.kind == Markup::Kind::kEndTag) {
      if (!markup.closed && !markup.raw_text) return;
      if (structure) {
        if (markup.name == "body") in_body = markup.kind == Markup::Kind::kStartTag;
        if (markup.name == "html" && markup.kind == Markup::Kind::kEndTag) in_body = false;
        return;
      }
      if (markup.kind == Markup::Kind::kStartTag) {
        open.Start(markup);
        if (!markup.closed) closing = "</" + markup.name + ">";
      } else {
        open.End(markup.name);
      }
    } else if (!markup.closed) {
      closing = markup.kind == Markup::Kind::kComment ? "-->" : markup.kind == Markup::Kind::kCdata ? "]]>" : ">";
    }
    content.append(insertion.substr(markup.start, markup.end - markup.start));
  });
  text_up_to(insertion.size());
  return content + closing + open.EndTags();
}

// The style elements of a whole document's head, which leave it with the rest of the head.
std::string HeadStyles(std::string_view insertion, const Landmarks& found) {
  std::string styles;
  for (const Landmarks::Element& style : found.styles) {
    if (style.end <= found.ShownStart()) styles.append(insertion.substr(style.start, style.end - style.start));
  }
  return styles;
}

// Whether the tag at `tag` keeps the line breaks in it: a preformatted
// element, or an inline style that sets white-space to pre, pre-wrap,
// pre-line, break-spaces (or white-space-collapse to preserve…).
bool KeepsLineBreaks(std::string_view name, std::string_view tag) {
  if (OneOf(name, {"pre", "listing", "xmp", "plaintext", "textarea"})) return true;
  for (std::size_t at = 0; at < tag.size(); ++at) {
    if (!StartsWithNoCase(tag, at, "white-space")) continue;
    std::size_t i = at + 11;
    if (StartsWithNoCase(tag, i, "-collapse")) i += 9;
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != ':') continue;
    ++i;
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (StartsWithNoCase(tag, i, "pre") || StartsWithNoCase(tag, i, "break-spaces")) return true;
  }
  return false;
}

}  // namespace

std::string InsertAtBodyStart(std::string_view html, std::string_view insertion) {
  const Landmarks target = Scan(html);
  const Landmarks inserted = Scan(insertion);
  const std::string content = InsertedContent(insertion, inserted);
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

std::string LineBreaksKeptAsCr(std::string_view html) {
  std::string result;
  result.reserve(html.size());
  std::vector<std::pair<std::string, bool>> open;  // each open element, and whether it keeps line breaks
  std::size_t keeping = 0;                         // how many of them do
  std::size_t at = 0;
  const auto append = [&](std::size_t to, bool keep) {
    for (; at < to; ++at) {
      if (!keep || (html[at] != '\r' && html[at] != '\n')) {
        result += html[at];
      } else if (html[at] == '\n' || at + 1 == to || html[at + 1] != '\n') {
        result += '\r';  // the CR of a CR LF goes with its LF
      }
    }
  };
  ForEachMarkup(html, [&](const Markup& markup) {
    append(markup.start, keeping > 0);
    if (markup.kind == Markup::Kind::kStartTag && !IsVoid(markup.name) && !markup.raw_text) {
      open.emplace_back(markup.name, KeepsLineBreaks(markup.name, html.substr(markup.start, markup.end - markup.start)));
      if (open.back().second) ++keeping;
    } else if (markup.kind == Markup::Kind::kEndTag) {
      for (std::size_t i = open.size(); i-- > 0;) {
        if (open[i].first != markup.name) continue;
        for (std::size_t k = i; k < open.size(); ++k) keeping -= open[k].second ? 1 : 0;
        open.resize(i);
        break;
      }
    }
    // Markup keeps its line breaks as they are, but for a textarea's text.
    append(markup.end, markup.raw_text && (keeping > 0 || markup.name == "textarea"));
  });
  append(html.size(), keeping > 0);
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
