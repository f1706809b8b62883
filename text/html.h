// Putting a body into a message's HTML ahead of what the mail client put
// there (the user's signature). Pure code.
#pragma once

#include <string>
#include <string_view>

namespace wrenpost {

// `html` with `insertion` right after its opening body tag ("<body", any
// attributes, up to its ">"; letters in any case; comments skipped), or at
// the start when it has none.
std::string InsertAfterBodyTag(std::string_view html, std::string_view insertion);

// Plain text as one paragraph of the message's normal style
// (`<p class=MsoNormal>`, which Outlook's own message HTML defines, so the
// text takes the user's font): &, <, > and " escaped, each LF a <br>.
std::string TextAsHtmlParagraph(std::string_view text);

}  // namespace wrenpost
