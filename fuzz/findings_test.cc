// Faults that fuzzing found, each kept as a readable case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/body_file.h"
#include "platform/posix/posix_file_system.h"

namespace wrenpost {
namespace {

// A body file's encoding was judged after its lines were joined, so a byte
// before a line break and one after it could pass for one UTF-8 character:
// a Windows-1250 file ending a line in "Ć" (0xC6) and starting the next with
// "ł" (0xB3) came out as the single character U+01B3.
TEST(BodyFileFinding, EncodingIsJudgedBeforeTheLinesAreJoined) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"Windows-1250 across CR LF", "PI\xC6\r\n\xB3" "atwo", "PIĆłatwo"},
      {"Windows-1250 across CR", "\xC3\r\xA9", "Ă©"},
      {"found by the fuzzer", ",\xD1\r\x81", ",Ń\u0081"},
      {"marked UTF-8, broken on both sides", "\xEF\xBB\xBF\xC3\r\n\xA9", "\uFFFD\uFFFD"},
      {"well-formed UTF-8 still joins", "\xC5\xBC\xC3\xB3\r\n\xC5\x82w", "żółw"},
  };
  PosixFileSystem files;
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeBodyText(c.bytes, files), c.body) << c.name;
  }
}

}  // namespace
}  // namespace wrenpost
