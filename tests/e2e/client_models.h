// Reads a mail client's start arguments back the way that client's own code
// reads them, so tests can check what each client would put in its compose
// window: Thunderbird's -compose text, Evolution's and Geary's mailto:
// readers, KMail's option parser and its positional rules, Claws Mail's
// options and the line-by-line request a running Claws Mail gets.
//
// The models follow the clients' sources (Evolution 3.46 handle_mailto,
// Geary 43 Composer.Widget.load_mailto, KMail 22.12 handleCommandLine with
// Qt's QCommandLineParser and QUrl scheme rules, Claws Mail 4.1 parse_cmd_opt,
// prohibit_duplicate_launch, lock_socket_input_cb and scan_mailto_url). Where
// a client would do something beside filling the window (turn a key into a
// header, refuse a file, stop on an unknown option, cut a request), the model
// says so in `mishaps`.
#pragma once

#include <string>
#include <vector>

#include "clients/client_name.h"

namespace wrenpost::testing {

struct ComposeWindow {
  std::string to;       // each address field as the text the client parses into addresses
  std::string cc;
  std::string bcc;
  // Those texts as the client's address parser splits them: each recipient
  // as "name <local@domain>" or "local@domain", quotes and escapes removed.
  std::vector<std::string> to_list;
  std::vector<std::string> cc_list;
  std::vector<std::string> bcc_list;
  std::string subject;
  std::string body;       // the body text; read from the body file when the client reads one
  std::string body_file;  // the file the client reads the body from; empty: none
  std::string sender;     // from=, "identity " and Thunderbird's preselectid=, or KMail's identity name
  std::vector<std::string> attachments;  // the files' paths, in the client's order
  std::vector<std::string> mishaps;      // what the client does beside filling the window
};

// An address list as the clients' RFC 5322 parsers read it (Thunderbird's
// jsmime, Evolution's camel_address_decode, Geary's GMime, KMail's KMime,
// Claws Mail's address splitting): split at commas outside quotes and angle
// brackets; a quote runs to the next unescaped quote or the end, so an
// unbalanced one swallows what follows. `groups`: a ":" outside quotes ends
// a group's name, which is dropped (Thunderbird, Evolution). `runs_on`:
// words with blanks between them and no address run into the next
// recipients as one (Evolution's camel_address_decode).
std::vector<std::string> ParseAddressList(const std::string& text, bool groups, bool runs_on = false);

// `arguments` are what follows the program (argv[1] on).
ComposeWindow ReadBack(ClientName client, const std::vector<std::string>& arguments);

}  // namespace wrenpost::testing
