#include "launcher/body_file.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_host.h"

namespace wrenpost {
namespace {

struct BodyCase {
  const char* name;
  std::string bytes;
  std::string expected;
};

void PrintTo(const BodyCase& c, std::ostream* out) { *out << c.name; }

class BodyDecodingTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(BodyDecodingTest, JoinsLinesAndDecodes) {
  FakeFileSystem files;  // its legacy decoding wraps the bytes in <cp:...>
  files.Add("b.txt", GetParam().bytes);
  EXPECT_EQ(ReadBodyFile(files, "b.txt"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Body, BodyDecodingTest,
    ::testing::Values(
        BodyCase{"CrLfLinesRunTogether", "a\r\nb\r\nc\r\n", "abc"},
        BodyCase{"LoneCrEndsALine", "a\rb\r", "ab"},
        BodyCase{"LoneLfStays", "a\nb\n", "a\nb\n"},
        BodyCase{"NoFinalTerminator", "a\r\nb", "ab"},
        BodyCase{"EmptyFile", "", ""},
        BodyCase{"CrCrLf", "a\r\r\nb", "ab"},
        BodyCase{"LfCr", "a\n\rb", "a\nb"},
        BodyCase{"Utf8WithoutBom", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\r\n", "Zażółć"},
        BodyCase{"Utf8WithBomDropped", "\xEF\xBB\xBF<p>\xC5\x81\xC3\xB3" "d\xC5\xBA</p>\r\n",
                 "<p>Łódź</p>"},
        BodyCase{"BomOnly", "\xEF\xBB\xBF", ""},
        BodyCase{"Windows1250Bytes", "\xA3\xF3\x64\x9F\r\n", "<cp:\xA3\xF3\x64\x9F>"},
        BodyCase{"InvalidUtf8AfterBomRepaired", "\xEF\xBB\xBFok\xFFok", "ok\xEF\xBF\xBDok"},
        BodyCase{"OverlongIsNotUtf8", "\xC0\xAF", "<cp:\xC0\xAF>"},
        BodyCase{"SurrogateIsNotUtf8", "\xED\xA0\x80", "<cp:\xED\xA0\x80>"},
        BodyCase{"TruncatedSequenceIsNotUtf8", "abc\xC5", "<cp:abc\xC5>"},
        BodyCase{"NulBytesKept", std::string("a\0b", 3), std::string("a\0b", 3)},
        // "Unicode" files: UTF-16 after its byte-order mark, lines joined on
        // the decoded characters.
        BodyCase{"Utf16LittleEndian", std::string("\xFF\xFE\x41\x01\xF3\x00" "d\0z\1\r\0\n\0x\0", 16),
                 "Łódźx"},
        BodyCase{"Utf16BigEndian", std::string("\xFE\xFF\x01\x41\0\r\0b\0\n\xD8\x3D\xDE\x00", 14),
                 "Łb\n\xF0\x9F\x98\x80"},
        // 0D 0A inside one code unit (U+0A0D) is a character, not a line break.
        BodyCase{"Utf16CrLfBytesInsideACodeUnit", std::string("\xFF\xFE\x0D\x0A", 4), "\xE0\xA8\x8D"},
        BodyCase{"Utf16OddFinalByte", std::string("\xFF\xFE" "a\0b", 5), "a\xEF\xBF\xBD"},
        BodyCase{"Utf16LoneSurrogates", std::string("\xFF\xFE\x00\xD8" "a\0\x00\xDC", 8),
                 "\xEF\xBF\xBD" "a\xEF\xBF\xBD"},
        BodyCase{"Utf16MarkOnly", "\xFE\xFF", ""}),
    [](const ::testing::TestParamInfo<BodyCase>& info) { return std::string(info.param.name); });

TEST(ReadBodyFile, MissingFileGivesEmptyBodyWithoutReading) {
  FakeFileSystem files;
  files.Fail("read", RunError(75, "should not be read"));
  EXPECT_EQ(ReadBodyFile(files, "missing.txt"), "");
}

TEST(ReadBodyFile, ReadFailureRaises) {
  FakeFileSystem files;
  files.Add("b.txt", "x");
  files.Fail("read", RunError(70, "Permission denied"));
  EXPECT_THROW(ReadBodyFile(files, "b.txt"), RunError);
}

}  // namespace
}  // namespace wrenpost
