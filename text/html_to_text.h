// An HTML body as plain text, for a mail client that composes plain text
// only. Pure code.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

// The text a reader sees in `html` (UTF-8):
// - head, title, style, script and template are dropped with their content,
//   and so are comments, CDATA sections, the DOCTYPE and processing instructions;
// - <br> is a line break; block elements (p, div, li, tr, headings, ...) start
//   and end on a line of their own, paragraphs, headings, lists, tables and
//   quotes are set apart by an empty line; list items start with "- " (in a
//   numbered list "1. ", "2. ", ...), table cells are separated by a tab,
//   <hr> is a line of hyphens;
// - runs of white space collapse into one blank, except inside <pre>;
// - character references are decoded (named ones of HTML's common set,
//   decimal and hexadecimal ones); an unknown one stays as written;
// - a link whose address is not its text keeps the address: "text (address)";
//   an image shows its alt text.
// Lines end in LF; the text has no blank lines at its start or end.
std::string HtmlToText(std::string_view html);

}  // namespace wrenpost
