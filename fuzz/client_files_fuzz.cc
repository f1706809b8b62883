// The files that say which mail client to start and as whom: desktop files
// (and their Exec lines), profiles.ini and prefs.js. Any bytes are fed to
// the readers: no crash, no overrun, no hang. Checked against what must hold:
// - an Exec line made of words each quoted by the Desktop Entry rules
//   ("..." with \ before " ` $ \) gives back exactly those words;
// - a prefs.js written with identities (names and addresses escaped as
//   JavaScript strings) gives back exactly those that have an address, and
//   the one MatchIdentity names is one of them.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "clients/desktop_entry.h"
#include "clients/key_file.h"
#include "clients/mail_identity.h"
#include "clients/thunderbird_profile.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace wrenpost::fuzz {
namespace {

std::string Quoted(const std::string& word) {
  std::string quoted = "\"";
  for (const char c : word) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

std::string JsString(const std::string& text) {
  std::string literal = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') literal += '\\';
    if (c == '\n') {
      literal += "\\n";
      continue;
    }
    literal += c;
  }
  return literal + '"';
}

}  // namespace

int FuzzClientFiles(const std::uint8_t* data, std::size_t size) {
  ByteReader input(data, size);
  std::vector<std::string> words;
  for (int count = 1 + input.TakeInteger<std::uint8_t>() % 6; count > 0; --count) words.push_back(input.TakeText(48));
  std::vector<std::pair<std::string, std::string>> written;  // name, address
  std::string prefs;
  for (int count = input.TakeInteger<std::uint8_t>() % 5, id = 1; id <= count; ++id) {
    const std::string name = input.TakeText(24), address = input.TakeText(24);
    const std::string key = "mail.identity.id" + std::to_string(id);
    prefs += "user_pref(\"" + key + ".fullName\", " + JsString(name) + ");\n";
    prefs += "user_pref(\"" + key + ".useremail\", " + JsString(address) + ");\n";
    if (!address.empty()) written.emplace_back(name, address);
  }
  const std::string from = input.TakeText(32);
  const std::string text = input.TakeRest().substr(0, 4096);

  DesktopEntry entry;
  for (const std::string& word : words) entry.exec += (entry.exec.empty() ? "" : " ") + Quoted(word);
  const auto read = ExecWords(entry, "/x.desktop");
  FUZZ_CHECK(read && *read == words, "ExecWords of " + Shown(entry.exec) + " did not give back its words");

  // The readers take any bytes.
  ParseKeyFile(text);
  ExecWords({text, text, text}, "/x.desktop", text);
  DefaultProfileFolder(text, text, "/root");
  IdentitiesOf(text);
  const std::vector<MailIdentity> identities = IdentitiesOf(prefs);
  std::vector<std::pair<std::string, std::string>> read_back;
  for (const MailIdentity& identity : identities) read_back.emplace_back(identity.name, identity.address);
  std::sort(read_back.begin(), read_back.end());
  std::sort(written.begin(), written.end());
  FUZZ_CHECK(read_back == written, "IdentitiesOf(" + Shown(prefs) + ") did not give back the identities written");
  const SenderMatch match = MatchSender(identities, from, IdentityPick::kExactly, "Thunderbird");
  if (const MailIdentity* chosen = match.identity) {
    FUZZ_CHECK(chosen >= identities.data() && chosen < identities.data() + identities.size(),
               "MatchSender named no identity it was given");
  } else {
    FUZZ_CHECK(!match.why_not.empty(), "MatchSender chose nobody and gave no reason");
  }
  return 0;
}

}  // namespace wrenpost::fuzz
