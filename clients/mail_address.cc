#include "clients/mail_address.h"

#include <algorithm>
#include <optional>

namespace wrenpost {
namespace {

bool IsAtext(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if (c >= 0x80) return true;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'*+-/=?^_`{|}~").find(ch) != std::string_view::npos;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// atext 1*("." atext): no empty part, no leading, trailing or double dot.
bool IsDotAtom(std::string_view text) {
  if (text.empty() || text.front() == '.' || text.back() == '.') return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '.' ? text[i + 1] == '.' : !IsAtext(text[i])) return false;
  }
  return true;
}

// Atoms separated by blanks: a display name that needs no quotes.
bool IsPhrase(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return IsAtext(c) || IsBlank(c); });
}

bool IsDomain(std::string_view text) {
  if (IsDotAtom(text)) return true;
  // An IPv4 domain literal ("[10.0.0.1]"); parsers differ on anything richer in brackets.
  if (text.size() < 3 || text.front() != '[' || text.back() != ']') return false;
  const std::string_view inside = text.substr(1, text.size() - 2);
  return std::all_of(inside.begin(), inside.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

// The text of a well-formed quoted string ("a\"b" -> a"b), or nullopt.
std::optional<std::string> Unquoted(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == '"') return std::nullopt;
    if (text[i] == '\\') {
      if (i + 2 >= text.size()) return std::nullopt;  // the closing quote escaped
      ++i;
    }
    out += text[i];
  }
  return out;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

// A quoted string as its text, anything else as it is.
std::string Plain(std::string_view text) {
  const auto unquoted = Unquoted(text);
  return unquoted ? *unquoted : std::string(text);
}

// "local@domain" with the local part quoted when it must be, or nullopt when no domain follows the last "@".
std::optional<std::string> AddrSpec(std::string_view text) {
  const std::size_t at = text.rfind('@');
  if (at == std::string_view::npos || at == 0 || !IsDomain(text.substr(at + 1))) return std::nullopt;
  const std::string local = Plain(text.substr(0, at));
  if (local.empty()) return std::nullopt;
  return (IsDotAtom(local) ? local : Quoted(local)) + std::string(text.substr(at));
}

}  // namespace

std::string AddressForClient(std::string_view recipient) {
  std::string text(recipient);
  std::replace_if(text.begin(), text.end(), [](char c) { return (c >= 0 && c < 0x20 && c != '\t') || c == 0x7F; }, ' ');
  const std::string_view trimmed = Trim(text);

  // Name <local@domain>
  const std::size_t open = trimmed.rfind('<');
  if (open != std::string_view::npos && trimmed.back() == '>') {
    if (const auto address = AddrSpec(trimmed.substr(open + 1, trimmed.size() - open - 2))) {
      const std::string name = Plain(Trim(trimmed.substr(0, open)));
      if (name.empty()) return "<" + *address + ">";
      return (IsPhrase(name) ? name : Quoted(name)) + " <" + *address + ">";
    }
  }
  if (const auto address = AddrSpec(trimmed)) return *address;
  // A phrase of several words with no address makes Evolution's parser
  // swallow the recipients after it: only one word goes unquoted.
  if (IsDotAtom(trimmed) || trimmed.empty()) return std::string(trimmed);
  return Quoted(Plain(trimmed));
}

std::string AddressList(const std::vector<std::string>& recipients) {
  std::string list;
  for (std::size_t i = 0; i < recipients.size(); ++i) {
    if (i > 0) list += ',';
    list += AddressForClient(recipients[i]);
  }
  return list;
}

}  // namespace wrenpost
