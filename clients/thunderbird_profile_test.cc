#include "clients/thunderbird_profile.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

TEST(ThunderbirdProfile, TheDefaultProfileFolder) {
  const std::string root = "/home/ala/.thunderbird";
  const std::string two = "[Profile1]\nName=b\nIsRelative=1\nPath=b.x\nDefault=1\n[Profile0]\nName=a\nIsRelative=0\nPath=/data/a\n";
  struct Case {
    std::string profiles, installs;
    std::optional<std::string> folder;
  };
  const Case cases[] = {
      {two + "[Install4F96D1932A9F858E]\nDefault=/data/a\nLocked=1\n", "", "/data/a"},
      {two, "[4F96D1932A9F858E]\nDefault=Profiles/c.default-release\n", root + "/Profiles/c.default-release"},
      {two, "", root + "/b.x"},
      {"[Profile0]\nIsRelative=0\nPath=/data/a\n", "", "/data/a"},
      {"[General]\nStartWithLastProfile=1\n", "", std::nullopt},
      // several profiles, none the default: Thunderbird asks which
      {"[Profile0]\nIsRelative=1\nPath=a\n[Profile1]\nIsRelative=1\nPath=b\n", "", std::nullopt},
      // profiles.ini's install section rules over installs.ini's copy
      {two + "[InstallFDC34C9F024745EB]\nDefault=w6322jda.default-default\n",
       "[FDC34C9F024745EB]\nDefault=Profiles/stary\n", root + "/w6322jda.default-default"},
      {"[Profile0]\nIsRelative=1\nPath=Profiles/x.default\n", "", root + "/Profiles/x.default"},
  };
  for (const Case& test : cases) EXPECT_EQ(DefaultProfileFolder(test.profiles, test.installs, root), test.folder);
  // Windows: relative paths written with "/", absolute ones as drive or share paths
  const std::string win = "C:\\Users\\Ala\\AppData\\Roaming\\Thunderbird";
  const Case windows[] = {
      {"[Profile0]\nIsRelative=1\nPath=Profiles/x.default\n", "", win + "\\Profiles\\x.default"},
      {"[Profile0]\nIsRelative=0\nPath=D:\\Poczta\\ala\n", "", "D:\\Poczta\\ala"},
      {two, "[4F96D1932A9F858E]\nDefault=\\\\serwer\\poczta/ala\n", "\\\\serwer\\poczta\\ala"},
      {two + "[Install4F96D1932A9F858E]\nDefault=C:/Poczta/a\n", "", "C:\\Poczta\\a"},
      {"[Profile0]\nPath=C:a\n", "", win + "\\C:a"},  // drive-relative is not absolute
  };
  for (const Case& test : windows) {
    EXPECT_EQ(DefaultProfileFolder(test.profiles, test.installs, win, PathStyle::kWindows), test.folder);
  }
  EXPECT_EQ(ProfilesRoot("/home/ala", Packaging::kSnap, "thunderbird"), "/home/ala/snap/thunderbird/common/.thunderbird");
  EXPECT_EQ(ProfilesRoot("/home/ala", Packaging::kFlatpak, "eu.betterbird.Betterbird"),
            "/home/ala/.var/app/eu.betterbird.Betterbird/.thunderbird");
}

TEST(ThunderbirdProfile, IdentitiesOfConfiguredAccountsMatchByNameThenAddress) {
  const std::string prefs =
      "user_pref(\"mail.accountmanager.accounts\", \"account2,account1\");\n"
      "user_pref(\"mail.account.account1.identities\", \"id1,id3\");\n"
      "user_pref(\"mail.account.account2.identities\", \"id2\");\n"
      "user_pref(\"mail.identity.id1.fullName\", \"Jan \\\"Kowal\\\" Nowak\");\n"
      "user_pref(\"mail.identity.id1.useremail\", \"jan@firma.pl\");\n"
      "user_pref(\"mail.identity.id2.fullName\", \"biuro@firma.pl\");\n"
      "user_pref(\"mail.identity.id2.useremail\", \"sekretariat@firma.pl\");\n"
      "user_pref(\"mail.identity.id3.fullName\", \"Stara nazwa\");\n"
      "user_pref(\"mail.identity.id3.fullName\", \"Biuro \\u0141\\u00f3d\\u017a\");\n"
      "user_pref(\"mail.identity.id3.useremail\", \"biuro@firma.pl\");\n"
      "user_pref(\"mail.identity.id9.useremail\", \"stare@firma.pl\");\n"  // no account has it
      "user_pref(\"mail.account.account2.identities\", \"id2,id4\");\n"         // the last line counts
      "user_pref(\"mail.identity.id4.fullName\", \"Bez Adresu\");\n";
  const std::vector<MailIdentity> identities = IdentitiesOf(prefs);
  ASSERT_EQ(identities.size(), 3u);
  EXPECT_EQ(identities[1].name, "Jan \"Kowal\" Nowak");
  EXPECT_EQ(identities[2].name, "Biuro Łódź");
  struct Case {
    std::string from;
    std::string key;  // empty: no match
  };
  const Case cases[] = {
      {"BIURO@firma.pl", "id2"},  // a name first, even when it looks like an address
      {"Jan@Firma.PL", "id1"},
      {"biuro łódź", ""},  // only ASCII letters match in any case
      {"Biuro Łódź", "id3"},
      {"stare@firma.pl", ""},
      {"Bez Adresu", ""},  // an identity without an address cannot send
  };
  for (const Case& test : cases) {
    const SenderMatch found = MatchSender(identities, test.from, IdentityPick::kExactly, "Thunderbird");
    EXPECT_EQ(found.identity ? found.identity->key : "", test.key) << test.from;
  }
  EXPECT_TRUE(HasMailAccount(prefs));
  // Local Folders alone, or no account list at all: nothing to compose from.
  EXPECT_FALSE(HasMailAccount("user_pref(\"mail.accountmanager.accounts\", \"account1\");\n"
                              "user_pref(\"mail.account.account1.server\", \"server1\");\n"));
  EXPECT_FALSE(HasMailAccount("user_pref(\"mail.identity.id1.useremail\", \"a@b.pl\");"));
  EXPECT_EQ(IdentitiesOf("user_pref(\"mail.identity.id1.useremail\", \"a@b.pl\");").size(), 1u);  // no account list
}

}  // namespace
}  // namespace wrenpost
