#include "text/html.h"

#include <cstddef>

namespace wrenpost {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsTagNameEnd(char c) { return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// Whether an opening body tag starts at `at` ("<body" and no further name letter).
bool IsBodyTagAt(std::string_view html, std::size_t at) {
  constexpr std::string_view kOpen = "<body";
  if (html.size() - at < kOpen.size() + 1) return false;
  for (std::size_t i = 0; i < kOpen.size(); ++i) {
    if (Lower(html[at + i]) != kOpen[i]) return false;
  }
  return IsTagNameEnd(html[at + kOpen.size()]);
}

// Where the tag that starts at `at` ends, after its ">"; quoted attribute
// values may hold ">". npos when it never ends.
std::size_t TagEnd(std::string_view html, std::size_t at) {
  char quote = 0;
  for (std::size_t i = at; i < html.size(); ++i) {
    const char c = html[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

// Where the body's content begins: after its opening tag, or 0.
std::size_t BodyContentStart(std::string_view html) {
  std::size_t at = 0;
  while ((at = html.find('<', at)) != std::string_view::npos) {
    if (html.substr(at, 4) == "<!--") {
      const std::size_t end = html.find("-->", at + 4);
      if (end == std::string_view::npos) return 0;
      at = end + 3;
      continue;
    }
    if (IsBodyTagAt(html, at)) {
      const std::size_t end = TagEnd(html, at);
      return end == std::string_view::npos ? 0 : end;
    }
    ++at;
  }
  return 0;
}

}  // namespace

std::string InsertAfterBodyTag(std::string_view html, std::string_view insertion) {
  const std::size_t at = BodyContentStart(html);
  std::string result;
  result.reserve(html.size() + insertion.size());
  result.append(html.substr(0, at)).append(insertion).append(html.substr(at));
  return result;
}

std::string TextAsHtmlParagraph(std::string_view text) {
  std::string html = "<p class=MsoNormal>";
  html.reserve(text.size() + 32);
  for (const char c : text) {
    switch (c) {
      case '&': html += "&amp;"; break;
      case '<': html += "&lt;"; break;
      case '>': html += "&gt;"; break;
      case '"': html += "&quot;"; break;
      case '\n': html += "<br>"; break;
      default: html += c;
    }
  }
  html += "</p>";
  return html;
}

}  // namespace wrenpost
