#include "tests/e2e/client_models.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "tests/e2e/compose_decoder.h"

namespace wrenpost::testing {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

char HexByte(char high, char low) {
  const auto value = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10; };
  return static_cast<char>(value(high) * 16 + value(low));
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= text.size(); ++at) {
    if (at == text.size() || text[at] == separator) {
      parts.emplace_back(text.substr(start, at - start));
      start = at + 1;
    }
  }
  return parts;
}

void Append(std::string& list, const std::string& more, std::string_view separator) {
  if (!list.empty()) list += separator;
  list += more;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void ReadBodyFile(ComposeWindow& window, const std::string& path) {
  window.body_file = path;
  if (const auto text = ReadFile(path)) {
    window.body = *text;
  } else {
    window.mishaps.push_back("body file unreadable: " + path);
  }
}

// A file:// URI's local path. GIO (g_filename_from_uri) refuses a raw "#";
// QUrl ends the path at "?" or "#".
std::optional<std::string> FileUriPath(std::string_view uri, bool qurl = false) {
  if (!StartsWithNoCase(uri, "file://")) return std::nullopt;
  std::string_view rest = uri.substr(7);
  if (rest.empty() || rest.front() != '/') return std::nullopt;  // a host, or nothing
  if (qurl) rest = rest.substr(0, rest.find_first_of("?#"));
  else if (rest.find('#') != std::string_view::npos) return std::nullopt;
  return PercentDecode(rest);
}

// ---------------------------------------------------------------- Thunderbird

ComposeWindow ThunderbirdReads(const std::vector<std::string>& arguments) {
  ComposeWindow window;
  if (arguments.size() != 2 || arguments[0] != "-compose") {
    window.mishaps.push_back("arguments other than -compose and its text");
    if (arguments.size() < 2) return window;
  }
  for (auto& [key, value] : DecodeComposeString(arguments[1])) {
    if (key == "to") window.to = value;
    else if (key == "cc") window.cc = value;
    else if (key == "bcc") window.bcc = value;
    else if (key == "subject") window.subject = value;
    else if (key == "from") window.sender = value;
    else if (key == "preselectid") window.sender = "identity " + value;
    else if (key == "body") window.body = value;
    else if (key == "message") ReadBodyFile(window, value);
    else if (key == "attachment") window.attachments = AttachmentPaths(value);
    else if (key != "format") window.mishaps.push_back("key " + key);
  }
  return window;
}

// ------------------------------------------------------------------ Evolution

// camel_url_decode: %XX with two hex digits is a byte; anything else stays.
std::string CamelUrlDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && IsHex(text[i + 1]) && IsHex(text[i + 2])) {
      out += HexByte(text[i + 1], text[i + 2]);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// handle_mailto in e-msg-composer.c.
ComposeWindow EvolutionReads(const std::vector<std::string>& arguments) {
  ComposeWindow window;
  if (arguments.size() != 1 || !StartsWithNoCase(arguments[0], "mailto:")) {
    window.mishaps.push_back("not one mailto: URL");
    if (arguments.empty()) return window;
  }
  const std::string& url = arguments[0];
  std::size_t p = 7;
  while (p < url.size() && url[p] == '/' && p < 10) ++p;  // up to three slashes are skipped
  const std::size_t query = std::min(url.find('?', p), url.size());
  if (query > p) Append(window.to, CamelUrlDecode(url.substr(p, query - p)), ",");
  p = query;
  if (p < url.size()) ++p;
  while (p < url.size()) {
    const std::size_t key_end = std::min(url.find_first_of("=&", p), url.size());
    if (key_end == url.size() || url[key_end] != '=') {
      window.mishaps.push_back("malformed query: the rest is dropped");
      break;
    }
    const std::string key = url.substr(p, key_end - p);
    p = key_end + 1;
    const std::size_t value_end = std::min(url.find('&', p), url.size());
    const std::string value = CamelUrlDecode(url.substr(p, value_end - p));
    if (EqualsNoCase(key, "to")) Append(window.to, value, ",");
    else if (EqualsNoCase(key, "cc")) Append(window.cc, value, ",");
    else if (EqualsNoCase(key, "bcc")) Append(window.bcc, value, ",");
    else if (EqualsNoCase(key, "subject")) window.subject = value;
    else if (EqualsNoCase(key, "body")) window.body = value;
    else if (EqualsNoCase(key, "from")) window.sender = value;
    else if (EqualsNoCase(key, "attach") || EqualsNoCase(key, "attachment")) {
      if (value.find_first_of("\r\n") != std::string::npos) {
        window.mishaps.push_back("a line break in a file name goes raw into filename=: the part breaks");
      }
      if (StartsWithNoCase(value, "file:")) {
        const auto path = FileUriPath(value);
        if (path) window.attachments.push_back(*path);
        else window.mishaps.push_back("attachment URI without a local path: " + value);
      } else {
        window.attachments.push_back(value);
      }
    } else {
      window.mishaps.push_back("header " + key + ": " + value);
    }
    p = value_end;
    if (p < url.size()) {
      ++p;
      if (StartsWithNoCase(std::string_view(url).substr(p), "amp;")) p += 4;
    }
  }
  return window;
}

// ---------------------------------------------------------------------- Geary

// GLib's g_uri_unescape_string: nullopt for a "%" without two hex digits or an escaped NUL.
std::optional<std::string> GUriUnescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2])) return std::nullopt;
    const char byte = HexByte(text[i + 1], text[i + 2]);
    if (byte == '\0') return std::nullopt;
    out += byte;
    i += 2;
  }
  return out;
}

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
}

// Composer.Widget.load_mailto; headers are a multimap of sets.
ComposeWindow GearyReads(const std::vector<std::string>& arguments) {
  ComposeWindow window;
  if (arguments.size() != 1 || !StartsWith(arguments[0], "mailto:")) {
    window.mishaps.push_back("not one mailto: URL");
    if (arguments.empty()) return window;
  }
  const std::string rest = arguments[0].substr(std::min<std::size_t>(7, arguments[0].size()));
  const std::size_t question = std::min(rest.find('?'), rest.size());
  const auto email = GUriUnescape(rest.substr(0, question));
  if (!email) window.mishaps.push_back("address part not unescaped");
  std::map<std::string, std::set<std::string>> headers;
  if (question < rest.size()) {
    for (const std::string& param : Split(std::string_view(rest).substr(question + 1), '&')) {
      const std::size_t equals = param.find('=');
      if (equals == std::string::npos) continue;
      const auto key = GUriUnescape(param.substr(0, equals));
      const auto value = GUriUnescape(param.substr(equals + 1));
      if (!key || !value) {
        window.mishaps.push_back("parameter not unescaped: " + param);
        continue;
      }
      headers[Lower(*key)].insert(*value);
    }
  }
  const auto first = [&](const std::string& key) -> std::string {
    const auto found = headers.find(key);
    if (found == headers.end()) return "";
    if (found->second.size() > 1) window.mishaps.push_back("several " + key + " values: one is taken");
    return *found->second.begin();
  };
  const std::string to = first("to");
  if (email && !IsBlank(*email) && headers.count("to") != 0) window.to = *email + "," + to;
  else if (email && !IsBlank(*email)) window.to = *email;
  else window.to = to;
  window.cc = first("cc");
  window.bcc = first("bcc");
  window.subject = first("subject");
  window.body = first("body");
  std::set<std::string> files;  // one attachment a file, in an order of Geary's own
  for (const std::string key : {"attach", "attachment"}) {
    for (const std::string& value : headers[key]) {
      if (const auto path = FileUriPath(value)) files.insert(*path);
      else if (StartsWith(value, "/")) files.insert(value);
      else window.mishaps.push_back("attachment neither a file URI nor an absolute path: " + value);
    }
  }
  window.attachments.assign(files.begin(), files.end());
  return window;
}

// ---------------------------------------------------------------------- KMail

// QUrl's scheme: the text before the first ":" that comes before any "?" and
// "#", when it is ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ).
std::string QUrlScheme(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > text.find_first_of("?#")) return "";
  for (std::size_t i = 0; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (std::isalpha(c) || (i > 0 && (std::isdigit(c) || c == '+' || c == '-' || c == '.'))) continue;
    return "";
  }
  return Lower(std::string(text.substr(0, colon)));
}

std::string QtTrimmed(std::string_view text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// makeAbsoluteUrl (QUrl::fromUserInput with AssumeLocalFile), as a local path.
std::string KmailLocalPath(const std::string& value, ComposeWindow& window) {
  const std::string trimmed = QtTrimmed(value);
  if (trimmed != value) window.mishaps.push_back("blanks around a file name are dropped: " + value);
  if (StartsWith(trimmed, "/")) return trimmed;
  const std::string scheme = QUrlScheme(trimmed);
  if (scheme == "file") {
    if (const auto path = FileUriPath(trimmed, true)) return *path;
  }
  window.mishaps.push_back(scheme.empty() ? "relative file name: " + value : "not a local file: " + value);
  return trimmed;
}

struct QtOption {
  std::string_view short_name;
  std::string_view name;
  bool takes_value;
};

// kmail_options() of KMail 22.12 and the options KAboutData and Qt add.
constexpr QtOption kKmailOptions[] = {
    {"s", "subject", true}, {"c", "cc", true},        {"b", "bcc", true},          {"r", "replyTo", true},
    {"", "header", true},   {"", "msg", true},        {"", "body", true},          {"", "attach", true},
    {"", "check", false},   {"", "startintray", false}, {"", "composer", false},   {"", "identity", true},
    {"", "view", true},     {"h", "help", false},     {"", "help-all", false},     {"v", "version", false},
    {"", "author", false},  {"", "license", false},   {"", "desktopfile", true},
};

const QtOption* FindOption(std::string_view name, bool short_name) {
  for (const QtOption& option : kKmailOptions) {
    if ((short_name ? option.short_name : option.name) == name && !name.empty()) return &option;
  }
  return nullptr;
}

// The simple mailto: arguments the program writes (mailto:?subject=...):
// KMail percent-decodes the whole argument, then splits and decodes its query.
void KmailReadsMailto(const std::string& argument, ComposeWindow& window, std::string& to) {
  const std::string url = PercentDecode(argument.substr(7));
  const std::size_t question = std::min(url.find('?'), url.size());
  if (question > 0) Append(to, url.substr(0, question), ", ");
  if (question == url.size()) return;
  for (const std::string& item : Split(std::string_view(url).substr(question + 1), '&')) {
    const std::size_t equals = item.find('=');
    const std::string key = Lower(item.substr(0, equals));
    const std::string value = equals == std::string::npos ? "" : PercentDecode(item.substr(equals + 1));
    if (key == "to") Append(to, value, ", ");
    else if (key == "cc") Append(window.cc, value, ", ");
    else if (key == "bcc") Append(window.bcc, value, ", ");
    else if (key == "subject") window.subject = value;
    else if (key == "body") window.body = value;
    else if (key == "attach" || key == "attachment") window.attachments.push_back(KmailLocalPath(value, window));
    else window.mishaps.push_back("mailto: key " + key);
  }
}

// KMKernel::handleCommandLine on QCommandLineParser's reading of the arguments.
ComposeWindow KmailReads(const std::vector<std::string>& arguments) {
  ComposeWindow window;
  // A bare --attach makes KMail put "--attach" before every later argument
  // that holds no "@", does not start with "--" and is no mailto: URL.
  std::vector<std::string> args;
  bool attach_next = false;
  for (const std::string& argument : arguments) {
    if (argument == "--attach") {
      attach_next = true;
      continue;
    }
    if (StartsWith(argument, "--") || argument.find('@') != std::string::npos || StartsWith(argument, "mailto:")) {
      attach_next = false;
    }
    if (attach_next) args.push_back("--attach");
    args.push_back(argument);
  }

  std::map<std::string, std::vector<std::string>> values;
  std::vector<std::string> positionals;
  bool only_positionals = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_positionals || arg == "-" || !StartsWith(arg, "-")) {
      positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_positionals = true;
      continue;
    }
    const bool long_form = StartsWith(arg, "--");
    const std::string body = arg.substr(long_form ? 2 : 1);
    const std::size_t equals = long_form ? body.find('=') : std::string::npos;
    const std::string name = long_form ? body.substr(0, equals) : body.substr(0, 1);
    const QtOption* option = FindOption(name, !long_form);
    if (option == nullptr) {
      window.mishaps.push_back("KMail stops: unknown option " + arg);
      return window;
    }
    if (!option->takes_value) {
      if (equals != std::string::npos) window.mishaps.push_back("KMail stops: unexpected value " + arg);
      values[std::string(option->name)].push_back("");
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = body.substr(equals + 1);
    } else if (!long_form && body.size() > 1) {
      value = body.substr(1);  // "-sText": a short option's value follows it
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      window.mishaps.push_back("KMail stops: missing value " + arg);
      return window;
    }
    values[std::string(option->name)].push_back(value);
  }

  // value() is the last one given; KMail 22.12 reads --cc and --bcc so.
  const auto last = [&](const std::string& name) { return values[name].empty() ? "" : values[name].back(); };
  for (const std::string name : {"cc", "bcc", "subject", "body", "msg", "identity"}) {
    if (values[name].size() > 1) window.mishaps.push_back("--" + name + " given more than once: the last is taken");
  }
  window.subject = last("subject");
  const bool called_with_session = window.subject == "ession";
  if (called_with_session) {
    window.subject.clear();
    window.mishaps.push_back("subject \"ession\" read as -session: subject and recipients dropped");
  }
  window.cc = last("cc");
  window.bcc = last("bcc");
  window.body = last("body");
  window.sender = last("identity");
  for (const std::string& value : values["attach"]) {
    if (!value.empty() && value != "--") window.attachments.push_back(KmailLocalPath(value, window));
  }
  std::string to;
  if (!called_with_session) {
    for (const std::string& arg : positionals) {
      if (StartsWithNoCase(arg, "mailto:")) {
        KmailReadsMailto(arg, window, to);
      } else if (!QUrlScheme(arg).empty()) {
        window.attachments.push_back(KmailLocalPath(arg, window));  // a URL: attached
      } else {
        Append(to, arg, ", ");
      }
    }
  }
  window.to = to;
  if (!last("msg").empty()) {
    const std::string path = KmailLocalPath(last("msg"), window);
    const auto text = ReadFile(path);
    if (text && !text->empty()) {
      window.body_file = path;
      window.body = *text;
    } else {
      window.mishaps.push_back("body file missing or empty: " + path);
    }
  }
  return window;
}

// ----------------------------------------------------------------- Claws Mail

// The longest line lock_socket_input_cb reads at once (fd_gets into its
// BUFFSIZE of 8192 bytes, given one less, keeping one back), LF included.
constexpr std::size_t kClawsLine = 8192 - 2;

// decode_uri_gdup: "%" and two hex digits are a byte; a lone "%" is dropped.
std::string ClawsDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
    } else if (i + 2 < text.size() && IsHex(text[i + 1]) && IsHex(text[i + 2])) {
      out += HexByte(text[i + 1], text[i + 2]);
      i += 2;
    }
  }
  return out;
}

struct ClawsFile {
  std::string path;
  bool insert;
};

// scan_mailto_url and what compose_new does with its results.
void ClawsScansMailto(std::string address, ComposeWindow& window) {
  if (StartsWith(address, "mailto:")) address.erase(0, 7);
  const std::size_t question = std::min(address.find('?'), address.size());
  window.to = ClawsDecode(address.substr(0, question));
  if (question == address.size()) return;
  std::string_view rest = std::string_view(address).substr(question + 1);
  bool subject_set = false;
  bool body_set = false;
  int attach_keys = 0;
  while (true) {
    const std::size_t equals = rest.find('=');
    if (equals == std::string_view::npos) break;
    const std::string field(rest.substr(0, equals));
    rest.remove_prefix(equals + 1);
    const std::size_t amp = rest.find('&');
    const std::string value(rest.substr(0, amp));
    const bool last = amp == std::string_view::npos;
    if (!last) rest.remove_prefix(amp + 1);
    if (!value.empty()) {
      const std::string decoded = ClawsDecode(value);
      if (EqualsNoCase(field, "from")) Append(window.sender, decoded, ", ");
      else if (EqualsNoCase(field, "cc")) Append(window.cc, decoded, ", ");
      else if (EqualsNoCase(field, "bcc")) Append(window.bcc, decoded, ", ");
      else if (EqualsNoCase(field, "subject") && !subject_set) window.subject = decoded, subject_set = true;
      else if (EqualsNoCase(field, "body") && !body_set) window.body = decoded, body_set = true;
      else if (EqualsNoCase(field, "insert") && !body_set) ReadBodyFile(window, decoded), body_set = true;
      else if (EqualsNoCase(field, "attach")) {
        if (++attach_keys == 2) window.mishaps.push_back("repeated attach= keys: every attachment is lost");
        bool refused = false;
        for (const std::string_view part : {".gnupg/", "/etc/passwd", "/etc/shadow", ".ssh/", "../"}) {
          refused = refused || decoded.find(part) != std::string::npos;
        }
        if (refused) window.mishaps.push_back("attachment refused: " + decoded);
        else window.attachments.push_back(decoded);
      }
    }
    if (last) break;
  }
  if (attach_keys > 1) window.attachments.clear();
}

// One fd_gets: up to the LF, or kClawsLine bytes; empty at the end.
std::string ClawsGets(const std::string& stream, std::size_t& at) {
  const std::size_t newline = stream.find('\n', at);
  const std::size_t end = std::min({newline == std::string::npos ? stream.size() : newline + 1, at + kClawsLine,
                                     stream.size()});
  std::string line = stream.substr(at, end - at);
  at = end;
  return line;
}

std::string StripRight(std::string text, std::string_view chars) {
  while (!text.empty() && chars.find(text.back()) != std::string_view::npos) text.pop_back();
  return text;
}

// parse_cmd_opt, then the request as a running Claws Mail gets it.
ComposeWindow ClawsMailReads(const std::vector<std::string>& arguments) {
  ComposeWindow window;
  bool compose = false;
  std::optional<std::string> mailto;
  std::vector<ClawsFile> files;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    const auto usable = [&](std::size_t at) {
      return at < arguments.size() && !arguments[at].empty() && arguments[at][0] != '-';
    };
    if (arg == "--compose") {
      compose = true;
      if (usable(i + 1)) {
        const std::string& p = arguments[++i];
        mailto = StartsWith(p, "mailto:") ? p.substr(7) : p;
      }
    } else if (arg == "--attach" || arg == "--insert") {
      if (!usable(i + 1)) window.mishaps.push_back("Claws Mail stops: no file after " + arg);
      while (usable(i + 1)) {
        const std::string& p = arguments[++i];
        std::string path = p;
        if (const auto from_uri = FileUriPath(p)) path = *from_uri;
        else if (p[0] != '/') window.mishaps.push_back("relative file name: " + p);
        if (path.find_first_of("\r\n") != std::string::npos) {
          window.mishaps.push_back("a line break in a file name breaks the draft's headers");
        }
        files.push_back({path, arg == "--insert"});
      }
      compose = true;
    } else {
      window.mishaps.push_back("argument not read: " + arg);
    }
  }
  if (!compose) {
    window.mishaps.push_back("no compose window");
    return window;
  }

  // What prohibit_duplicate_launch writes to the running instance...
  std::string stream;
  if (!files.empty()) {
    stream = mailto ? "compose_attach " + *mailto + "\n" : "compose_attach\n";
    for (const ClawsFile& file : files) stream += (file.insert ? "insert " : "attach ") + file.path + "\n";
    stream += ".\n";
  } else {
    stream = mailto ? "compose " + *mailto + "\n" : "compose\n";
  }
  // ...and what lock_socket_input_cb reads of it: one command a connection.
  std::size_t at = 0;
  const std::string first = ClawsGets(stream, at);
  if (first.empty() || first.back() != '\n') window.mishaps.push_back("request line cut");
  std::string address;
  std::vector<ClawsFile> received;
  if (StartsWith(first, "compose_attach")) {
    address = first.size() > 15 ? first.substr(15) : "";
    for (std::string line = ClawsGets(stream, at); !line.empty(); line = ClawsGets(stream, at)) {
      line = StripRight(line, "\r\n");
      if (line == ".") break;
      const std::size_t blank = line.find(' ');
      if (blank == std::string::npos) {
        window.mishaps.push_back("Claws Mail crashes on a file line without a blank");
        break;
      }
      received.push_back({line.substr(blank + 1), StartsWith(line, "insert ")});
    }
    if (at != stream.size()) window.mishaps.push_back("request lines left unread");
  } else {
    address = first.size() > 8 ? first.substr(8) : "";
  }
  ClawsScansMailto(QtTrimmed(address), window);  // g_strstrip
  for (const ClawsFile& file : received) {
    if (!file.insert) {
      window.attachments.push_back(file.path);
    } else if (const auto text = ReadFile(file.path)) {
      window.body += *text;
    }
  }
  return window;
}

ComposeWindow ClientReads(ClientName client, const std::vector<std::string>& arguments) {
  switch (client) {
    case ClientName::kThunderbird:
    case ClientName::kBetterbird:
      return ThunderbirdReads(arguments);
    case ClientName::kEvolution:
      return EvolutionReads(arguments);
    case ClientName::kGeary:
      return GearyReads(arguments);
    case ClientName::kKmail:
      return KmailReads(arguments);
    case ClientName::kClawsMail:
      return ClawsMailReads(arguments);
    default: {
      ComposeWindow window;
      window.mishaps.push_back("no model of this client");
      return window;
    }
  }
}

// One recipient's text: "name <address>" when it has an angle address, else the address.
std::string Mailbox(std::string_view text, bool groups) {
  std::string name, address, plain;
  bool quoted = false, angle = false, has_angle = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& into = angle ? address : plain;
    if (quoted) {
      if (c == '\\' && i + 1 < text.size()) into += text[++i];
      else if (c == '"') quoted = false;
      else into += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '<' && !angle) {
      angle = has_angle = true;
      name += plain;
      plain.clear();
    } else if (c == '>' && angle) {
      angle = false;
    } else if (c == ':' && groups && !angle) {
      plain.clear();  // a group's name
    } else if (c == ';' && groups && !angle) {
      // a group's end
    } else {
      into += c;
    }
  }
  const auto trim = [](std::string value) {
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
  };
  if (!has_angle) return trim(plain);
  name = trim(name + plain);
  return name.empty() ? "<" + trim(address) + ">" : name + " <" + trim(address) + ">";
}

// Words with a blank between them outside quotes, and no "<" or "@" there.
bool BarePhrase(std::string_view piece) {
  std::string outside;
  bool quoted = false;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    if (quoted && piece[i] == '\\') ++i;
    else if (piece[i] == '"') quoted = !quoted, outside += ' ';
    else if (!quoted) outside += piece[i];
  }
  if (outside.find_first_of("<@") != std::string::npos) return false;
  const std::size_t first = outside.find_first_not_of(" \t"), last = outside.find_last_not_of(" \t");
  return first != std::string::npos && outside.substr(first, last - first).find_first_of(" \t") != std::string::npos;
}

}  // namespace

std::vector<std::string> ParseAddressList(const std::string& text, bool groups, bool runs_on) {
  std::vector<std::string> list;
  std::size_t start = 0;
  bool quoted = false, angle = false;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size()) {
      const char c = text[i];
      if (quoted && c == '\\') ++i;
      else if (c == '"') quoted = !quoted;
      else if (!quoted && c == '<') angle = true;
      else if (!quoted && c == '>') angle = false;
      if (i >= text.size() || quoted || angle || text[i] != ',') continue;
      if (runs_on && BarePhrase(std::string_view(text).substr(start, i - start))) continue;
    }
    std::string mailbox = Mailbox(std::string_view(text).substr(start, std::min(i, text.size()) - start), groups);
    if (!mailbox.empty()) list.push_back(std::move(mailbox));
    start = i + 1;
  }
  return list;
}

namespace {

// Thunderbird's compose window shows the parsed list as display text ("name
// <address>", the address, or "name <>", joined by ", ") and cuts that into its pills
// (makeFromDisplayAddress): at the first comma after the first "@", or
// after the first ">" of a "<...>" when that comes first; quotes count for nothing.
std::size_t ThunderbirdPills(const std::vector<std::string>& list) {
  std::string display;
  for (const std::string& address : list) {
    // jsmime reads a text with no "@" as a name without address: "name <>".
    const bool name_only = address.find_first_of("@<") == std::string::npos;
    display += (display.empty() ? "" : ", ") + address + (name_only ? " <>" : "");
  }
  std::size_t pills = 0;
  while (!display.empty()) {
    const std::size_t lt = display.find('<'), gt = display.find('>'), at = display.find('@');
    std::size_t start = lt != std::string::npos && gt != std::string::npos && gt > lt ? gt : 0;
    if (at != std::string::npos) start = std::min(start, at);
    std::size_t comma = display.find(',', start);
    const bool cut = comma != std::string::npos && comma > 0;
    const std::string pill = display.substr(0, cut ? comma : display.size());
    display = cut ? display.substr(comma + 1) : "";
    display.erase(0, display.find_first_not_of(", \t"));
    if (display.find_first_not_of(", \t") == std::string::npos) display.clear();
    if (pill.find_first_not_of(" \t") != std::string::npos) ++pills;
  }
  return pills;
}

}  // namespace

ComposeWindow ReadBack(ClientName client, const std::vector<std::string>& arguments) {
  ComposeWindow window = ClientReads(client, arguments);
  const bool groups = client == ClientName::kThunderbird || client == ClientName::kBetterbird ||
                      client == ClientName::kEvolution;
  const bool runs_on = client == ClientName::kEvolution;
  window.to_list = ParseAddressList(window.to, groups, runs_on);
  window.cc_list = ParseAddressList(window.cc, groups, runs_on);
  window.bcc_list = ParseAddressList(window.bcc, groups, runs_on);
  if (client == ClientName::kThunderbird || client == ClientName::kBetterbird) {
    for (const auto* list : {&window.to_list, &window.cc_list, &window.bcc_list}) {
      if (ThunderbirdPills(*list) != list->size()) window.mishaps.push_back("a recipient cut into several pills");
    }
  }
  return window;
}

}  // namespace wrenpost::testing
