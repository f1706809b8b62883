#include "clients/thunderbird_profile.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "clients/key_file.h"

namespace wrenpost {
namespace {

bool IsWindowsAbsolute(std::string_view path) {
  const auto slash = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 2 && slash(path[0]) && slash(path[1])) return true;  // \\server\share, \\?\C:
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && slash(path[2]);
}

// `path` as written (IsRelative=0) or from `root`, with Windows' separators on Windows.
std::string Resolved(std::string path, const std::string& root, PathStyle style, bool relative = true) {
  if (style == PathStyle::kPosix) return !relative || (!path.empty() && path.front() == '/') ? path : root + "/" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return !relative || IsWindowsAbsolute(path) ? path : root + "\\" + path;
}

void AppendUtf8(std::string& text, unsigned code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A JavaScript string literal starting at text[i] (a quote); advances i past it.
std::optional<std::string> StringLiteral(std::string_view text, std::size_t& i) {
  const char quote = text[i++];
  std::string value;
  while (i < text.size() && text[i] != quote) {
    char c = text[i++];
    if (c != '\\') {
      value += c;
      continue;
    }
    if (i == text.size()) return std::nullopt;
    c = text[i++];
    switch (c) {
      case 'n': value += '\n'; break;
      case 't': value += '\t'; break;
      case 'r': value += '\r'; break;
      case 'u': {
        unsigned code = 0;
        for (const char digit : text.substr(i, 4)) {
          const int nibble = std::isxdigit(static_cast<unsigned char>(digit))
                                 ? (std::isdigit(static_cast<unsigned char>(digit)) ? digit - '0' : (digit | 0x20) - 'a' + 10)
                                 : -1;
          if (nibble < 0) return std::nullopt;
          code = code * 16 + static_cast<unsigned>(nibble);
        }
        if (i + 4 > text.size()) return std::nullopt;
        AppendUtf8(value, code);
        i += 4;
        break;
      }
      default: value += c;
    }
  }
  if (i == text.size()) return std::nullopt;
  ++i;
  return value;
}

// The string values of user_pref("key", "value") lines.
std::map<std::string, std::string> StringPrefs(std::string_view prefs) {
  std::map<std::string, std::string> values;
  constexpr std::string_view kLead = "user_pref(";
  for (std::size_t at = prefs.find(kLead); at != std::string_view::npos; at = prefs.find(kLead, at)) {
    std::size_t i = at + kLead.size();
    at = i;
    if (i >= prefs.size() || prefs[i] != '"') continue;
    const auto key = StringLiteral(prefs, i);
    while (i < prefs.size() && (prefs[i] == ',' || prefs[i] == ' ')) ++i;
    if (!key || i >= prefs.size() || prefs[i] != '"') continue;
    if (auto value = StringLiteral(prefs, i)) values.insert_or_assign(*key, std::move(*value));  // the last one counts
    at = i;
  }
  return values;
}

// The identity keys of the accounts the account manager lists, in its order.
std::vector<std::string> ListedIdentities(const std::map<std::string, std::string>& prefs) {
  const auto pref = [&](const std::string& key) {
    const auto found = prefs.find(key);
    return found == prefs.end() ? std::string() : found->second;
  };
  std::vector<std::string> ids;
  for (const std::string& account : SplitList(pref("mail.accountmanager.accounts"), ',')) {
    for (std::string& id : SplitList(pref("mail.account." + account + ".identities"), ',')) ids.push_back(std::move(id));
  }
  return ids;
}

}  // namespace

std::string ProfilesRoot(const std::string& home, Packaging packaging, const std::string& sandbox) {
  switch (packaging) {
    case Packaging::kSnap: return home + "/snap/" + sandbox + "/common/.thunderbird";
    case Packaging::kFlatpak: return home + "/.var/app/" + sandbox + "/.thunderbird";
    case Packaging::kPlain: break;
  }
  return home + "/.thunderbird";
}

std::optional<std::string> DefaultProfileFolder(std::string_view profiles_ini, std::string_view installs_ini,
                                                const std::string& root, PathStyle style) {
  const std::vector<KeyFileGroup> profiles = ParseKeyFile(profiles_ini);
  for (const KeyFileGroup& group : profiles) {
    const std::string* chosen = group.Find("Default");
    if (group.name.rfind("Install", 0) == 0 && chosen && !chosen->empty()) return Resolved(*chosen, root, style);
  }
  for (const KeyFileGroup& group : ParseKeyFile(installs_ini)) {
    if (const std::string* chosen = group.Find("Default"); chosen && !chosen->empty()) return Resolved(*chosen, root, style);
  }
  std::vector<const KeyFileGroup*> all;
  for (const KeyFileGroup& group : profiles) {
    if (group.name.rfind("Profile", 0) == 0 && group.Find("Path")) all.push_back(&group);
  }
  const auto folder = [&](const KeyFileGroup& group) {
    const std::string* relative = group.Find("IsRelative");
    const std::string& path = *group.Find("Path");
    return Resolved(path, root, style, !(relative && *relative == "0"));
  };
  for (const KeyFileGroup* group : all) {
    if (const std::string* flag = group->Find("Default"); flag && *flag == "1") return folder(*group);
  }
  if (all.size() == 1) return folder(*all.front());
  return std::nullopt;
}

bool HasMailAccount(std::string_view prefs_js) { return !ListedIdentities(StringPrefs(prefs_js)).empty(); }

std::vector<MailIdentity> IdentitiesOf(std::string_view prefs_js) {
  const std::map<std::string, std::string> prefs = StringPrefs(prefs_js);
  const auto pref = [&](const std::string& key) {
    const auto found = prefs.find(key);
    return found == prefs.end() ? std::string() : found->second;
  };
  std::vector<std::string> ids = ListedIdentities(prefs);
  if (ids.empty()) {
    constexpr std::string_view kLead = "mail.identity.", kTail = ".useremail";
    for (const auto& [key, value] : prefs) {
      if (key.size() > kLead.size() + kTail.size() && key.compare(0, kLead.size(), kLead) == 0 &&
          key.compare(key.size() - kTail.size(), kTail.size(), kTail) == 0) {
        ids.push_back(key.substr(kLead.size(), key.size() - kLead.size() - kTail.size()));
      }
    }
  }
  std::vector<MailIdentity> identities;
  for (const std::string& id : ids) {
    const std::string lead = "mail.identity." + id;
    MailIdentity identity{id, pref(lead + ".label"), pref(lead + ".fullName"), pref(lead + ".useremail")};
    if (!identity.address.empty()) identities.push_back(std::move(identity));
  }
  return identities;
}


}  // namespace wrenpost
