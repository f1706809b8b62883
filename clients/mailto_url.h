// mailto: URLs as RFC 6068 writes them: UTF-8, percent-encoded, so that no
// value can turn into a field of its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wrenpost {

// One header field of the URL's query ("cc", "subject", "attach").
struct MailtoField {
  std::string key;     // written as it is: a plain word chosen by the program
  std::string value;   // percent-encoded when written
  bool exact = false;  // a file's path: its bytes as they are, line ends included
};

// "mailto:" + the addresses of `to` (each as AddressForClient writes it)
// joined by "," + "?" + the fields joined by "&" (no "?" without fields). In an address every byte but the unreserved
// ones (A-Z a-z 0-9 - . _ ~) and "@" is percent-encoded, a "," inside one as
// well; in a field's value every byte but the unreserved ones. A text's line
// ends (LF, CR or CR LF) are written as %0D%0A, as the RFC asks; an exact
// field keeps each of its bytes.
std::string BuildMailtoUrl(const std::vector<std::string>& to, const std::vector<MailtoField>& fields);

// Addresses as one field value (cc, bcc): each as AddressForClient writes
// it, joined by "," (AddressList).
std::string JoinAddresses(const std::vector<std::string>& addresses);

// The copies, blind copies, subject and body of a message as fields, in that
// order, each only when it holds something.
std::vector<MailtoField> MessageFields(const std::vector<std::string>& cc, const std::vector<std::string>& bcc,
                                       const std::string& subject, const std::string& body);

}  // namespace wrenpost
