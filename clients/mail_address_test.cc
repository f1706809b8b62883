#include "clients/mail_address.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

TEST(AddressForClient, WritesEachRecipientAsOneAddress) {
  const struct {
    const char* recipient;
    const char* address;
  } kCases[] = {
      {"jan@firma.pl", "jan@firma.pl"},
      {"Nowak, Jan <jan@firma.pl>", "\"Nowak, Jan\" <jan@firma.pl>"},
      {"\"Nowak, Jan\" <jan@firma.pl>", "\"Nowak, Jan\" <jan@firma.pl>"},  // quoted already: not twice
      {"Jan Nowak <jan@firma.pl>", "Jan Nowak <jan@firma.pl>"},
      {"Zażółć Gęśla <ewa@firma.pl>", "Zażółć Gęśla <ewa@firma.pl>"},
      {"J. \"Kowal\" Nowak\\ <j@f.pl>", "\"J. \\\"Kowal\\\" Nowak\\\\\" <j@f.pl>"},
      {"Ewa <Anna> <ewa@f.pl>", "\"Ewa <Anna>\" <ewa@f.pl>"},
      {"<jan@firma.pl>", "<jan@firma.pl>"},
      {"Jan <a,b@c.pl>", "Jan <\"a,b\"@c.pl>"},
      {"file:///etc/passwd#a@b", "\"file:///etc/passwd#a\"@b"},
      {"a@b@c.pl", "\"a@b\"@c.pl"},
      {"jan.nowak@[10.0.0.1]", "jan.nowak@[10.0.0.1]"},
      {"a@[\"<b]", "\"a@[\\\"<b]\""},  // brackets protect nothing in a parser
      {".jan@firma.pl", "\".jan\"@firma.pl"},
      {"-x@y.pl", "-x@y.pl"},
      {"  jan@firma.pl\t", "jan@firma.pl"},
      // Not an address: one word stays, anything else is one quoted recipient.
      {"anna", "anna"},
      {"Jan Nowak", "\"Jan Nowak\""},
      {"Zażółć gęślą", "\"Zażółć gęślą\""},
      {"--attach", "--attach"},
      {"Nowak, Jan", "\"Nowak, Jan\""},
      {"a, 'b' \"c\" ;", "\"a, 'b' \\\"c\\\" ;\""},
      {"\"Ewa", "\"\\\"Ewa\""},  // an unbalanced quote swallows nothing
      {"Jan <jan@firma.pl", "\"Jan <jan\"@firma.pl"},  // read back as typed: one address
      {"jan@firma.pl, ewa@firma.pl", "\"jan@firma.pl, ewa\"@firma.pl"},
      {"Jan <jan@firma.pl> x", "\"Jan <jan@firma.pl> x\""},
      {"http://x.pl/?a=b#c", "\"http://x.pl/?a=b#c\""},
      {"Jan\r\nNowak <jan@firma.pl>", "Jan  Nowak <jan@firma.pl>"},
      {"Jan\nNowak", "\"Jan Nowak\""},
      {"", ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(AddressForClient(c.recipient), c.address) << c.recipient;
  }
}

TEST(AddressForClient, JoinsTheListWithCommas) {
  EXPECT_EQ(AddressList({"Nowak, Jan <jan@firma.pl>", "file:///etc/passwd#a@b", "ewa"}),
            "\"Nowak, Jan\" <jan@firma.pl>,\"file:///etc/passwd#a\"@b,ewa");
}

}  // namespace
}  // namespace wrenpost
