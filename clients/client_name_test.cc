#include "clients/client_name.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

TEST(ParseClientName, KnowsEveryNameInAnyAsciiCaseAndNothingElse) {
  EXPECT_EQ(ParseClientName(""), ClientName::kDefault);
  EXPECT_EQ(ParseClientName("claws-mail"), ClientName::kClawsMail);
  EXPECT_EQ(ParseClientName("Thunderbird"), ClientName::kThunderbird);
  EXPECT_EQ(ParseClientName("AUTO"), ClientName::kAuto);
  for (const char* unknown : {" auto", "outlook.exe", "claws", "clawsmail", "kmail2", "ą"}) {
    EXPECT_EQ(ParseClientName(unknown), std::nullopt) << unknown;
  }
  // Every listed name reads back as itself.
  std::string_view names = KnownClientNames();
  while (!names.empty()) {
    const auto comma = names.find(", ");
    const std::string_view name = names.substr(0, comma);
    const auto parsed = ParseClientName(name);
    ASSERT_TRUE(parsed.has_value()) << name;
    EXPECT_EQ(ClientNameText(*parsed), name);
    names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 2);
  }
}

}  // namespace
}  // namespace wrenpost
