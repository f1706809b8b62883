// A recipient as one RFC 5322 address, so that a mail client's address-list
// parser (which splits at commas outside quotes) reads back exactly that
// recipient. Pure code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wrenpost {

// The recipient as the callers wrote it, written as one address:
//  - "Name <local@domain>": the name is quoted when it holds anything but
//    letters, digits, RFC 5322's atom characters and blanks ("Nowak, Jan"
//    <jan@firma.pl>); a name already quoted is taken unquoted first;
//  - "local@domain" (the last "@" splits): a local part that is no dot-atom
//    is quoted ("file:///etc/passwd#a"@b);
//  - anything else (no valid domain, a stray "<"): kept as it is when it is
//    one word of atom characters and dots ("anna"), otherwise the whole text
//    quoted ("Nowak, Jan", "Jan Nowak"), which every parser reads as one
//    recipient (Evolution's runs an unquoted "Jan Nowak" into the next one).
// In quotes, '"' and '\' are escaped. Blanks around the text are dropped;
// a line break or other control character becomes a blank (no address list
// can hold one). Bytes from 0x80 on (UTF-8 letters) count as atom characters.
std::string AddressForClient(std::string_view recipient);

// The recipients, each as AddressForClient writes it, joined by ",".
std::string AddressList(const std::vector<std::string>& recipients);

}  // namespace wrenpost
