#include "text/utf8.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(Utf8SequenceLength, AnnouncesALengthOnlyWhereAWellFormedSequenceCanStart) {
  for (int lead = 0; lead < 256; ++lead) {
    const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(lead));
    // The lead with the smallest continuation bytes it allows.
    std::string sequence(1, static_cast<char>(lead));
    const char second = lead == 0xE0 ? '\xA0' : lead == 0xF0 ? '\x90' : '\x80';
    for (std::size_t i = 1; i < length; ++i) sequence += i == 1 ? second : '\x80';
    EXPECT_EQ(IsValidUtf8(sequence), lead < 0x80 || length > 1) << "lead " << lead;
  }
}

TEST(RepairUtf8, ReplacesEachByteThatLeadsNoSequence) {
  EXPECT_EQ(RepairUtf8("a\xC3\xA9" "b"), "a\xC3\xA9" "b");
  EXPECT_EQ(RepairUtf8("\xF8\x80\xC1"), std::string(kReplacementUtf8) + std::string(kReplacementUtf8) +
                                            std::string(kReplacementUtf8));
  EXPECT_EQ(RepairUtf8("\xE2\x82x"), std::string(kReplacementUtf8) + std::string(kReplacementUtf8) + "x");
}

}  // namespace
}  // namespace wrenpost
