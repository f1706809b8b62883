#include "text/utf8.h"

#include <gtest/gtest.h>

namespace wrenpost {
namespace {

TEST(IsValidUtf8, AcceptsTheWholeRangeAndRejectsWhatIsNotUtf8) {
  EXPECT_TRUE(IsValidUtf8("plain ascii text, longer than eight bytes"));
  EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));   // U+10FFFF
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));       // U+FFFD
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\x80"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\x80"));              // lone continuation
  EXPECT_FALSE(IsValidUtf8("12345678\xC5"));      // cut short after an ASCII run
}

}  // namespace
}  // namespace wrenpost
