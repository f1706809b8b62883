#include "text/cp1250.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

TEST(Cp1250, DecodesPolishLettersAndKeepsAscii) {
  // "Zażółć gęślą jaźń" and its capitals, as a Polish Windows saves them.
  EXPECT_EQ(Cp1250ToUtf8("Za\xBF\xF3\xB3\xE6 g\xEA\x9C\x6C\xB9 ja\x9F\xF1"), "Zażółć gęślą jaźń");
  EXPECT_EQ(Cp1250ToUtf8("\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF"), "ĄĆĘŁŃÓŚŹŻ");
  EXPECT_EQ(Cp1250ToUtf8("\x80 \x84\x93"), "€ „“");
  EXPECT_EQ(Cp1250ToUtf8("\x81"), "\xC2\x81");  // undefined byte: its C1 control
  EXPECT_EQ(Cp1250ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace wrenpost
