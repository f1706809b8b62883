// Putting a body into a message's HTML ahead of what the mail client put
// there (the user's signature). Pure code.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

// `html` (what the mail client holds) with `insertion` at the start of its
// body. The body starts after the opening body tag; with none, after the
// head, else after the html tag, else after a DOCTYPE, else at the start. A
// whole document inserted gives what a browser shows of it: its body, text
// between its head and body, after </body> or </html>, a second body; its
// head's style elements go to the end of the message's head (then apply to the
// whole message), the rest of its head is dropped. What the insertion leaves
// open at its end (elements, formatting a browser would carry on, a comment,
// raw text) is closed ahead of the signature; a tag cut off there is dropped.
// Both texts are read as a browser reads markup: nothing in comments, CDATA,
// raw-text elements (title, script, style, textarea) or attribute values
// counts as a tag.
std::string InsertAtBodyStart(std::string_view html, std::string_view insertion);

// `html` for a reader that turns each LF (and CR LF) of an HTML text into a
// blank, as Thunderbird does with a body file: the line breaks inside
// elements that keep them (pre, listing, xmp, plaintext, textarea, and any
// with an inline white-space: pre, pre-wrap, pre-line or break-spaces) as a
// bare CR, which such a reader keeps and HTML reads as a line break. The rest
// is left as it is; a style sheet's white-space rules are not read.
std::string LineBreaksKeptAsCr(std::string_view html);

// Plain text as one paragraph of the message's normal style
// (`<p class=MsoNormal>`, which Outlook's own message HTML defines, so the
// text takes the user's font): &, <, > and " escaped, each LF a <br>, runs of
// blanks kept with non-breaking ones, each tab a Word tab.
std::string TextAsHtmlParagraph(std::string_view text);

}  // namespace wrenpost
