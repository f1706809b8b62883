#include "platform/windows/win_client_identities.h"

#include <windows.h>
// after windows.h
#include <knownfolders.h>
#include <shlobj.h>

#include <memory>

#include "clients/mail_identity.h"
#include "clients/thunderbird_profile.h"
#include "errors/run_error.h"
#include "platform/windows/win_file_system.h"
#include "platform/windows/win_owners.h"
#include "platform/windows/win_text.h"

namespace wrenpost {
namespace {

// %APPDATA% as the shell knows it (redirected folders included); shell32 is
// loaded only here, as importing it would slow every run's start.
std::optional<std::string> RoamingAppData() {
  const UniqueModule shell(LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  const FARPROC found = shell.get() != nullptr ? GetProcAddress(shell.get(), "SHGetKnownFolderPath") : nullptr;
  if (found == nullptr) return std::nullopt;
  using KnownFolderPath = decltype(&SHGetKnownFolderPath);
  PWSTR raw = nullptr;
  const HRESULT result =
      reinterpret_cast<KnownFolderPath>(reinterpret_cast<void*>(found))(FOLDERID_RoamingAppData, 0, nullptr, &raw);
  // Freed also when the call fails.
  const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> path(raw, CoTaskMemFree);
  if (FAILED(result) || path == nullptr) return std::nullopt;
  return Narrow(path.get());
}

// A file's bytes; nullopt when it is missing, and also when it cannot be
// read, which `unreadable` then tells.
std::optional<std::string> ReadText(const std::string& path, bool* unreadable = nullptr) {
  WindowsFileSystem files;
  if (!files.FileExists(path)) return std::nullopt;
  try {
    return files.ReadBytes(path);
  } catch (const RunError&) {
    if (unreadable != nullptr) *unreadable = true;
    return std::nullopt;
  }
}

std::optional<std::string> DefaultProfile() {
  const std::optional<std::string> app_data = RoamingAppData();
  if (!app_data) return std::nullopt;
  const std::string root = *app_data + "\\Thunderbird";
  const auto profiles = ReadText(root + "\\profiles.ini");
  if (!profiles) return std::nullopt;
  return DefaultProfileFolder(*profiles, ReadText(root + "\\installs.ini").value_or(""), root, PathStyle::kWindows);
}

// The profile's preferences as Thunderbird reads them: user.js after
// prefs.js, its values winning.
std::string ProfilePrefs(const std::string& profile, bool* unreadable = nullptr) {
  return ReadText(profile + "\\prefs.js", unreadable).value_or("") + "\n" +
         ReadText(profile + "\\user.js", unreadable).value_or("");
}

}  // namespace

SenderChoice ChooseThunderbirdSender(const std::string& client, const std::string& from) {
  const std::optional<std::string> profile = DefaultProfile();
  const std::vector<MailIdentity> identities = profile ? IdentitiesOf(ProfilePrefs(*profile)) : std::vector<MailIdentity>();
  const SenderMatch match = MatchSender(identities, from, IdentityPick::kExactly, client);
  if (!match.identity) return {SenderChoice::Kind::kNotChosen, {}, match.why_not};
  return {SenderChoice::Kind::kAccount, {}, {}, match.identity->key};
}

std::optional<std::string> ThunderbirdProfileWithoutAccount() {
  const std::optional<std::string> profile = DefaultProfile();
  if (!profile) return std::nullopt;
  bool unreadable = false;
  const std::string prefs = ProfilePrefs(*profile, &unreadable);
  // A file that is there but cannot be read is no proof of a missing account.
  if (unreadable || HasMailAccount(prefs)) return std::nullopt;
  return profile;
}

}  // namespace wrenpost
