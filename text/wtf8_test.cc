#include "text/wtf8.h"

#include <gtest/gtest.h>

#include <string>

namespace wrenpost {
namespace {

struct ConversionCase {
  const char* name;
  std::u16string wide;
  std::string narrow;
};

class Wtf8RoundTrip : public testing::TestWithParam<ConversionCase> {};

TEST_P(Wtf8RoundTrip, ConvertsBothWays) {
  const ConversionCase& c = GetParam();
  EXPECT_EQ(Utf16ToWtf8(c.wide), c.narrow);
  EXPECT_EQ(Wtf8ToUtf16(c.narrow), c.wide);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Wtf8RoundTrip,
    testing::Values(
        ConversionCase{"Empty", u"", ""},
        ConversionCase{"Ascii", u"-to anna -subject \"Oferta\"", "-to anna -subject \"Oferta\""},
        ConversionCase{"Polish", u"Zażółć gęślą jaźń ŁÓDŹ", "Zażółć gęślą jaźń ŁÓDŹ"},
        ConversionCase{"EmbeddedNul", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
        ConversionCase{"TwoByteEdges", u"\u0080\u07FF", "\xC2\x80\xDF\xBF"},
        ConversionCase{"ThreeByteEdges", u"\u0800\uFFFF", "\xE0\xA0\x80\xEF\xBF\xBF"},
        ConversionCase{"SurrogatePair", u"\U0001F600x\U0010FFFF", "\xF0\x9F\x98\x80x\xF4\x8F\xBF\xBF"},
        ConversionCase{"LoneHigh", std::u16string{u'a', char16_t(0xD83D), u'b'}, "a\xED\xA0\xBD" "b"},
        ConversionCase{"LoneLow", std::u16string{char16_t(0xDE00)}, "\xED\xB8\x80"},
        ConversionCase{"LowBeforeHigh", std::u16string{char16_t(0xDC00), char16_t(0xD800)},
                       "\xED\xB0\x80\xED\xA0\x80"},
        ConversionCase{"HighAtEnd", std::u16string{u'x', char16_t(0xDBFF)}, "x\xED\xAF\xBF"}),
    [](const testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

TEST(Wtf8ToUtf16, JoinsSeparatelyEncodedHalvesIntoTheirPair) {
  // Two halves concatenated from separate conversions make the pair again.
  EXPECT_EQ(Wtf8ToUtf16("\xED\xA0\xBD\xED\xB8\x80"), u"\U0001F600");
}

struct BrokenCase {
  const char* name;
  std::string bytes;
  std::u16string wide;
};

class Wtf8Broken : public testing::TestWithParam<BrokenCase> {};

TEST_P(Wtf8Broken, ReplacesEachBadByte) {
  EXPECT_EQ(Wtf8ToUtf16(GetParam().bytes), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Wtf8Broken,
    testing::Values(BrokenCase{"LoneContinuation", "a\x80" "b", u"a\uFFFDb"},
                    BrokenCase{"Overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
                    BrokenCase{"OverlongThree", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
                    BrokenCase{"TruncatedAtEnd", "ok\xC5", u"ok\uFFFD"},
                    BrokenCase{"TruncatedInside", "\xE2\x82x", u"\uFFFD\uFFFDx"},
                    BrokenCase{"BeyondUnicode", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
                    BrokenCase{"Cp1250Byte", "\xB9", u"\uFFFD"}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.name); });

TEST(Wtf8ToUtf8, ReplacesEachLoneSurrogateOnce) {
  EXPECT_EQ(Wtf8ToUtf8("a\xED\xA0\xBD" "b\xED\xB8\x80" "\xC5\x82"), "a\uFFFD" "b\uFFFD" "\u0142");
  // A pair, as two halves or as one sequence, stays the character it stands for.
  EXPECT_EQ(Wtf8ToUtf8("\xED\xA0\xBD\xED\xB8\x80\xF0\x9F\x98\x80"), "\U0001F600\U0001F600");
}

TEST(Wtf8, EverySixteenBitUnitSurvivesTheRoundTrip) {
  std::u16string all;
  for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) all += static_cast<char16_t>(unit);
  EXPECT_EQ(Wtf8ToUtf16(Utf16ToWtf8(all)), all);
}

}  // namespace
}  // namespace wrenpost
