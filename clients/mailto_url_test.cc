#include "clients/mailto_url.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

TEST(BuildMailtoUrl, EncodesEveryValueSoNothingBecomesSyntax) {
  EXPECT_EQ(BuildMailtoUrl({}, {}), "mailto:");
  EXPECT_EQ(BuildMailtoUrl({"anna@firma.pl", "Nowak, Jan <jan@firma.pl>"}, {}),
            "mailto:anna@firma.pl,%22Nowak%2C%20Jan%22%20%3Cjan@firma.pl%3E");
  EXPECT_EQ(BuildMailtoUrl({"a@b"}, {{"cc", JoinAddresses({"c@d", "e@f"})},
                                     {"subject", "x&body=y?z#%+="},
                                     {"body", "Dzień\r\ndobry\nPani\rEwo"}}),
            "mailto:a@b?cc=c%40d%2Ce%40f&subject=x%26body%3Dy%3Fz%23%25%2B%3D"
            "&body=Dzie%C5%84%0D%0Adobry%0D%0APani%0D%0AEwo");
  EXPECT_EQ(BuildMailtoUrl({"?x=y&z"}, {}), "mailto:%3Fx%3Dy%26z");
  EXPECT_EQ(BuildMailtoUrl({}, {{"attach", "/a\r\nb\nc", true}}), "mailto:?attach=%2Fa%0D%0Ab%0Ac");
}

}  // namespace
}  // namespace wrenpost
