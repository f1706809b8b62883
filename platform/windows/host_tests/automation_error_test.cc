#include "platform/windows/automation_error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace wrenpost {
namespace {

constexpr std::int32_t H(std::uint32_t value) { return static_cast<std::int32_t>(value); }

struct NumberCase {
  const char* name;
  std::int32_t hresult;
  std::optional<ExceptionFields> info;
  std::int32_t number;
};

class AutomationErrorNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(AutomationErrorNumberTest, GivesTheNumberCallersSee) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(AutomationErrorNumber(c.hresult, c.info ? &*c.info : nullptr), c.number);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, AutomationErrorNumberTest,
    testing::Values(
        NumberCase{"ControlFacility287", H(0x800A011F), std::nullopt, 287},
        NumberCase{"ControlFacility429", H(0x800A01AD), std::nullopt, 429},
        NumberCase{"ControlFacilityLowWordOnly", H(0x800AFFFF), std::nullopt, 0xFFFF},
        NumberCase{"ClassNotRegistered", H(0x80040154), std::nullopt, 429},
        NumberCase{"InvalidClassString", H(0x800401F3), std::nullopt, 429},
        NumberCase{"AppNotFound", H(0x800401F5), std::nullopt, 429},
        NumberCase{"ElevationMismatchKeptWhole", H(0x80080005), std::nullopt, H(0x80080005)},
        NumberCase{"UnknownNameKeptWhole", H(0x80020006), std::nullopt, -2147352570},
        NumberCase{"FileNotFoundIsNotACreationFailureHere", H(0x80070002), std::nullopt,
                   H(0x80070002)},
        NumberCase{"SuccessCodeWithControlFacilityKept", H(0x000A011F), std::nullopt,
                   H(0x000A011F)},
        NumberCase{"ExceptionCodeWins", H(0x80020009), ExceptionFields{4096, H(0x80004005)}, 4096},
        NumberCase{"ExceptionCode287", H(0x80020009), ExceptionFields{287, 0}, 287},
        NumberCase{"ExceptionScodeWhenNoCode", H(0x80020009), ExceptionFields{0, H(0x80004005)},
                   H(0x80004005)},
        NumberCase{"ExceptionScodeOfControlFacility", H(0x80020009),
                   ExceptionFields{0, H(0x800A011F)}, 287},
        NumberCase{"ExceptionScodeClassNotRegistered", H(0x80020009),
                   ExceptionFields{0, H(0x80040154)}, 429},
        NumberCase{"EmptyExceptionFallsBackToTheCall", H(0x80020009), ExceptionFields{0, 0},
                   H(0x80020009)},
        NumberCase{"LargestWCodeStaysPositive", H(0x80020009), ExceptionFields{0xFFFF, 0},
                   0xFFFF}),
    [](const testing::TestParamInfo<NumberCase>& info) { return std::string(info.param.name); });

TEST(CreateObjectErrorNumber, MissingServerExecutableGives429) {
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80070002)), 429);
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80070003)), 429);
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80040154)), 429);
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80080005)), H(0x80080005));
  EXPECT_EQ(CreateObjectErrorNumber(H(0x800A011F)), 287);
}

TEST(DescribedResult, PrefersTheExceptionScode) {
  const ExceptionFields with_scode{5, H(0x80004005)};
  const ExceptionFields without{5, 0};
  EXPECT_EQ(DescribedResult(H(0x80020009), &with_scode), H(0x80004005));
  EXPECT_EQ(DescribedResult(H(0x80020009), &without), H(0x80020009));
  EXPECT_EQ(DescribedResult(H(0x80080005), nullptr), H(0x80080005));
}

}  // namespace
}  // namespace wrenpost
