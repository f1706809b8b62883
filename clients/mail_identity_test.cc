#include "clients/mail_identity.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

TEST(MailIdentity, SenderMatchesByNameThenAddressAndOnlyWhereTheClientTakesThatOne) {
  const std::vector<MailIdentity> identities = {
      {"1", "Praca", "Anna Nowak", "anna@firma.pl"},
      {"2", "Biuro", "Biuro Firma", "biuro@firma.pl"},
      {"3", "Sekretariat", "Sekretariat", "BIURO@firma.pl"},
  };
  struct Case {
    std::string from;
    IdentityPick pick;
    std::string key;  // empty: not chosen
    std::string why_not;
  };
  const Case cases[] = {
      {"praca", IdentityPick::kExactly, "1", ""},       // the account's own name
      {"Anna Nowak", IdentityPick::kExactly, "1", ""},  // the sender's name
      {"Sekretariat", IdentityPick::kExactly, "3", ""},
      {"Sekretariat", IdentityPick::kFirstOfAddress, "",
       "program X wybiera konto po adresie, a adres BIURO@firma.pl ma też wcześniejsze konto „Biuro”"},
      {"biuro@firma.pl", IdentityPick::kFirstOfAddress, "2", ""},
      {"biuro@firma.pl", IdentityPick::kOnlyOfAddress, "",
       "program X wybiera konto po adresie, a adres biuro@firma.pl ma kilka kont"},
      {"anna@firma.pl", IdentityPick::kOnlyOfAddress, "1", ""},
      {"ktos@firma.pl", IdentityPick::kExactly, "", "program X nie ma konta o tej nazwie ani adresie"},
  };
  for (const Case& test : cases) {
    const SenderMatch match = MatchSender(identities, test.from, test.pick, "X");
    EXPECT_EQ(match.identity ? match.identity->key : "", test.key) << test.from;
    EXPECT_EQ(match.why_not, test.why_not) << test.from;
  }
  EXPECT_EQ(MatchSender({}, "Biuro", IdentityPick::kExactly, "X").why_not, "nie znaleziono kont programu X");
}

TEST(MailIdentity, MailboxTextQuotesANameWithSpecials) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "a@b.pl"},
      {"Biuro Łódź", "Biuro Łódź <a@b.pl>"},
      {"Nowak, Jan", "\"Nowak, Jan\" <a@b.pl>"},
      {"Jan \"Kowal\" N. \\ x", "\"Jan \\\"Kowal\\\" N. \\\\ x\" <a@b.pl>"},
  };
  for (const auto& [name, text] : cases) EXPECT_EQ(MailboxText(name, "a@b.pl"), text);
  EXPECT_EQ(UnescapedValue("\\sJan\\\\x\\ty\\n"), " Jan\\x\ty\n");
}

TEST(MailIdentity, ClientFoldersFollowThePackaging) {
  EXPECT_EQ(ClientHome("/home/ala", Packaging::kSnap, "claws-mail"), "/home/ala/snap/claws-mail/current");
  EXPECT_EQ(ClientHome("/home/ala", Packaging::kFlatpak, "org.kde.kmail2"), "/home/ala");
  EXPECT_EQ(ClientConfigHome("/home/ala", "/cfg", Packaging::kPlain, ""), "/cfg");
  EXPECT_EQ(ClientConfigHome("/home/ala", "/cfg", Packaging::kSnap, "evolution"),
            "/home/ala/snap/evolution/current/.config");
  EXPECT_EQ(ClientConfigHome("/home/ala", "/cfg", Packaging::kFlatpak, "org.gnome.Evolution"),
            "/home/ala/.var/app/org.gnome.Evolution/config");
}

}  // namespace
}  // namespace wrenpost
