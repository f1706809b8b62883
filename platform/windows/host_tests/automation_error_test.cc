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
        NumberCase{"ElevationMismatch", H(0x80080005), std::nullopt, 429},
        NumberCase{"Aborted", H(0x80004004), std::nullopt, 287},
        NumberCase{"NotImplemented", H(0x80004001), std::nullopt, 445},
        NumberCase{"NoInterface", H(0x80004002), std::nullopt, 430},
        NumberCase{"UnknownInterface", H(0x80020001), std::nullopt, 438},
        NumberCase{"MemberNotFound", H(0x80020003), std::nullopt, 438},
        NumberCase{"UnknownName", H(0x80020006), std::nullopt, 438},
        NumberCase{"ParamNotFound", H(0x80020004), std::nullopt, 448},
        NumberCase{"TypeMismatch", H(0x80020005), std::nullopt, 13},
        NumberCase{"NoNamedArgs", H(0x80020007), std::nullopt, 446},
        NumberCase{"BadVarType", H(0x80020008), std::nullopt, 458},
        NumberCase{"Overflow", H(0x8002000A), std::nullopt, 6},
        NumberCase{"BadIndex", H(0x8002000B), std::nullopt, 9},
        NumberCase{"UnknownLcid", H(0x8002000C), std::nullopt, 447},
        NumberCase{"ArrayIsLocked", H(0x8002000D), std::nullopt, 10},
        NumberCase{"BadParamCount", H(0x8002000E), std::nullopt, 450},
        NumberCase{"ParamNotOptional", H(0x8002000F), std::nullopt, 449},
        NumberCase{"NotACollection", H(0x80020011), std::nullopt, 451},
        NumberCase{"DivByZero", H(0x80020012), std::nullopt, 11},
        NumberCase{"NotLicensed", H(0x80040112), std::nullopt, 429},
        NumberCase{"MonikerUnavailable", H(0x800401E3), std::nullopt, 429},
        NumberCase{"AppDidNotRegister", H(0x800401FE), std::nullopt, 429},
        NumberCase{"AccessDenied", H(0x80070005), std::nullopt, 70},
        NumberCase{"OutOfMemory", H(0x8007000E), std::nullopt, 7},
        NumberCase{"InvalidArgument", H(0x80070057), std::nullopt, 5},
        NumberCase{"ServerUnavailable", H(0x800706BA), std::nullopt, 462},
        NumberCase{"CallRejectedKeptWhole", H(0x80010001), std::nullopt, -2147418111},
        NumberCase{"OtherFailureKeptWhole", H(0x80004005), std::nullopt, -2147467259},
        NumberCase{"ExceptionScodeAborted", H(0x80020009), ExceptionFields{0, H(0x80004004)}, 287},
        NumberCase{"FileNotFoundIsNotACreationFailureHere", H(0x80070002), std::nullopt,
                   H(0x80070002)},
        NumberCase{"SuccessCodeWithControlFacilityKept", H(0x000A011F), std::nullopt,
                   H(0x000A011F)},
        NumberCase{"ExceptionCodeWins", H(0x80020009), ExceptionFields{4096, H(0x80004005)}, 4096},
        NumberCase{"ExceptionCode287", H(0x80020009), ExceptionFields{287, 0}, 287},
        NumberCase{"ExceptionScodeWhenNoCode", H(0x80020009), ExceptionFields{0, H(0x80004005)},
                   H(0x80004005)},
        NumberCase{"ExceptionCodeBeatsAMappedScode", H(0x80020009),
                   ExceptionFields{4096, H(0x80004004)}, 4096},
        NumberCase{"ExceptionScodeOfControlFacility", H(0x80020009),
                   ExceptionFields{0, H(0x800A011F)}, 287},
        NumberCase{"ExceptionScodeClassNotRegistered", H(0x80020009),
                   ExceptionFields{0, H(0x80040154)}, 429},
        NumberCase{"EmptyExceptionFallsBackToTheCall", H(0x80020009), ExceptionFields{0, 0},
                   H(0x80020009)},
        NumberCase{"LargestWCodeStaysPositive", H(0x80020009), ExceptionFields{0xFFFF, 0},
                   0xFFFF}),
    [](const testing::TestParamInfo<NumberCase>& param) { return std::string(param.param.name); });

TEST(CreateObjectErrorNumber, MissingServerExecutableGives429) {
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80070002)), 429);
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80070003)), 429);
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80040154)), 429);
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80080005)), 429);
  EXPECT_EQ(CreateObjectErrorNumber(H(0x80010001)), H(0x80010001));
  EXPECT_EQ(CreateObjectErrorNumber(H(0x800A011F)), 287);
}

TEST(MeansClassNotThere, OnlyAMissingClassOrServerNotOneThatFailed) {
  for (const std::uint32_t missing : {0x800401F3u, 0x80040154u, 0x800401F5u, 0x80070002u, 0x80070003u}) {
    EXPECT_TRUE(MeansClassNotThere(H(missing))) << std::hex << missing;
  }
  for (const std::uint32_t there : {0x80080005u, 0x80070005u, 0x80010001u, 0x80004004u, 0u}) {
    EXPECT_FALSE(MeansClassNotThere(H(there))) << std::hex << there;
  }
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
