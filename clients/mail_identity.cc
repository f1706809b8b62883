#include "clients/mail_identity.h"

#include <algorithm>
#include <cctype>

namespace wrenpost {
namespace {

bool SameAsciiCaseless(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return (x < 0x80 ? std::tolower(x) : x) == (y < 0x80 ? std::tolower(y) : y);
         });
}

bool Named(const MailIdentity& identity, std::string_view from) {
  return (!identity.label.empty() && SameAsciiCaseless(identity.label, from)) ||
         (!identity.name.empty() && SameAsciiCaseless(identity.name, from));
}

// Letters, digits, bytes of UTF-8 text and the characters an atom may hold.
bool AtomText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c >= 0x80 || std::isalnum(c) || c == ' ' ||
           std::string_view("!#$%&'*+-/=?^_`{|}~").find(ch) != std::string_view::npos;
  });
}

}  // namespace

SenderMatch MatchSender(const std::vector<MailIdentity>& identities, std::string_view from, IdentityPick pick,
                        std::string_view client) {
  const std::string program(client);
  if (identities.empty()) return {nullptr, "nie znaleziono kont programu " + program};
  auto found = std::find_if(identities.begin(), identities.end(), [&](const auto& i) { return Named(i, from); });
  if (found == identities.end()) {
    found = std::find_if(identities.begin(), identities.end(),
                         [&](const auto& i) { return SameAsciiCaseless(i.address, from); });
  }
  if (found == identities.end()) return {nullptr, "program " + program + " nie ma konta o tej nazwie ani adresie"};
  const auto same_address = [&](const MailIdentity& other) { return SameAsciiCaseless(other.address, found->address); };
  if (pick == IdentityPick::kFirstOfAddress) {
    const auto first = std::find_if(identities.begin(), identities.end(), same_address);
    if (first != found) {
      return {nullptr, "program " + program + " wybiera konto po adresie, a adres " + found->address +
                           " ma też wcześniejsze konto „" + (first->label.empty() ? first->name : first->label) + "”"};
    }
  }
  if (pick == IdentityPick::kOnlyOfAddress && std::count_if(identities.begin(), identities.end(), same_address) > 1) {
    return {nullptr, "program " + program + " wybiera konto po adresie, a adres " + found->address +
                         " ma kilka kont"};
  }
  return {&*found, {}};
}

std::string MailboxText(const std::string& name, const std::string& address) {
  if (name.empty()) return address;
  if (AtomText(name)) return name + " <" + address + ">";
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\" <" + address + ">";
}

std::string UnescapedValue(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      text += value[i];
      continue;
    }
    switch (const char c = value[++i]) {
      case 's': text += ' '; break;
      case 'n': text += '\n'; break;
      case 't': text += '\t'; break;
      case 'r': text += '\r'; break;
      default: text += c;
    }
  }
  return text;
}

std::string ClientHome(const std::string& home, Packaging packaging, const std::string& sandbox) {
  return packaging == Packaging::kSnap ? home + "/snap/" + sandbox + "/current" : home;
}

std::string ClientConfigHome(const std::string& home, const std::string& config_home, Packaging packaging,
                             const std::string& sandbox) {
  switch (packaging) {
    case Packaging::kSnap: return ClientHome(home, packaging, sandbox) + "/.config";
    case Packaging::kFlatpak: return home + "/.var/app/" + sandbox + "/config";
    case Packaging::kPlain: break;
  }
  return config_home;
}

}  // namespace wrenpost
