// The readers of Claws Mail's, Evolution's and KMail's identity files, on
// files shaped as the clients write them.
#include <gtest/gtest.h>

#include "clients/claws_accounts.h"
#include "clients/evolution_sources.h"
#include "clients/kmail_identities.h"

namespace wrenpost {
namespace {

std::string Text(const MailIdentity& identity) {
  return identity.key + "|" + identity.label + "|" + identity.name + "|" + identity.address;
}

TEST(ClientIdentities, ClawsMailAccountsInFileOrder) {
  const std::vector<MailIdentity> accounts = ClawsAccounts(
      "[Account: 2]\naccount_name=Biuro\nis_default=0\nname=Biuro, Firma\naddress=biuro@firma.pl\n\n"
      "[Account: 1]\naccount_name=Pierwsze\nis_default=1\nname=Anna\naddress=anna@firma.pl\n"
      "[Account: 3]\naccount_name=Bez adresu\nname=X\n");
  ASSERT_EQ(accounts.size(), 2u);
  EXPECT_EQ(Text(accounts[0]), "2|Biuro|Biuro, Firma|biuro@firma.pl");
  EXPECT_EQ(Text(accounts[1]), "1|Pierwsze|Anna|anna@firma.pl");
}

TEST(ClientIdentities, EvolutionIdentitySources) {
  struct Case {
    std::string file;
    std::string identity;  // empty: none
  };
  const Case cases[] = {
      {"[Data Source]\nDisplayName=Biuro\nEnabled=true\nParent=abc\n\n[Mail Identity]\nAddress=biuro@firma.pl\n"
       "Name=\\sBiuro\\\\Firma\nReplyTo=\n",
       "u1|Biuro| Biuro\\Firma|biuro@firma.pl"},
      {"[Data Source]\nDisplayName=Stare\nEnabled=false\n[Mail Identity]\nAddress=stare@firma.pl\n", ""},
      {"[Data Source]\nDisplayName=Poczta\n[Mail Account]\nIdentityUid=u1\n", ""},  // the account, not its identity
      {"[Data Source]\nDisplayName=Pusta\n[Mail Identity]\nName=X\n", ""},
  };
  for (const Case& test : cases) {
    const auto identity = EvolutionIdentity(test.file, "u1");
    EXPECT_EQ(identity ? Text(*identity) : "", test.identity) << test.file;
  }
}

TEST(ClientIdentities, KmailIdentitiesByTheirNames) {
  const std::vector<MailIdentity> identities = KmailIdentities(
      "[General]\nDefault Identity=111\n\n"
      "[Identity #0]\nEmail Address=anna@firma.pl\nIdentity=Praca\nName=Anna Nowak\nuoid=111\n\n"
      "[Identity #1]\nEmail Address=biuro@firma.pl\nIdentity=Biuro\\sFirma\nName=Biuro\nuoid=222\n"
      "[Identity #2]\nIdentity=Bez adresu\nuoid=333\n");
  ASSERT_EQ(identities.size(), 2u);
  EXPECT_EQ(Text(identities[0]), "111|Praca|Anna Nowak|anna@firma.pl");
  EXPECT_EQ(Text(identities[1]), "222|Biuro Firma|Biuro|biuro@firma.pl");
}

}  // namespace
}  // namespace wrenpost
