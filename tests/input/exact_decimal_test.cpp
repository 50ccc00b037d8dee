#include "input/exact_decimal.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace unionbound {
namespace {

struct Decimal {
  const char* text;
  std::optional<std::string> value;  // the rational in lowest terms, none when refused
};

class ExactDecimalTest : public ::testing::TestWithParam<Decimal> {};

TEST_P(ExactDecimalTest, TakesTheNumberAsWritten) {
  const std::optional<Rational> got = ExactDecimal(GetParam().text);
  ASSERT_EQ(got.has_value(), GetParam().value.has_value()) << GetParam().text;
  if (got) {
    EXPECT_EQ(got->get_str(), *GetParam().value) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExactDecimalTest,
    ::testing::Values(Decimal{"0.1", "1/10"}, Decimal{"-2.5e-3", "-1/400"}, Decimal{"1.", "1"},
                      Decimal{".5", "1/2"}, Decimal{"+3", "3"}, Decimal{"-0", "0"},
                      Decimal{"000.250", "1/4"}, Decimal{"12E+2", "1200"},
                      Decimal{"0e999999999", "0"},
                      Decimal{"1e100000", "1" + std::string(100000, '0')},
                      Decimal{"1e100001", std::nullopt}, Decimal{"1e-100001", std::nullopt},
                      Decimal{"abc", std::nullopt}, Decimal{"1e", std::nullopt},
                      Decimal{"1.5x", std::nullopt}, Decimal{"", std::nullopt},
                      Decimal{".", std::nullopt}, Decimal{"1.2.3", std::nullopt}));

struct Rounding {
  long numerator;
  long denominator;
  int digits;
  const char* text;
};

class RoundedDecimalTest : public ::testing::TestWithParam<Rounding> {};

// To nearest, ties away from zero, in the notation %g chooses, trailing zeros dropped.
TEST_P(RoundedDecimalTest, RoundsToNearestInGeneralNotation) {
  const Rounding& row = GetParam();
  Rational value(row.numerator, row.denominator);
  value.canonicalize();
  EXPECT_EQ(RoundedDecimal(value, row.digits), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RoundedDecimalTest,
    ::testing::Values(Rounding{2, 3, 5, "0.66667"}, Rounding{1, 8, 2, "0.13"},
                      Rounding{-1, 8, 2, "-0.13"}, Rounding{-1, 3, 3, "-0.333"},
                      Rounding{123456, 1, 3, "1.23e+05"}, Rounding{99999, 100000, 3, "1"},
                      Rounding{1, 100000, 3, "1e-05"}, Rounding{1, 10000, 3, "0.0001"},
                      Rounding{7, 10, 20, "0.7"}, Rounding{0, 1, 5, "0"},
                      Rounding{21, 22, 20, "0.95454545454545454545"}, Rounding{1234, 1, 4, "1234"},
                      Rounding{12345, 1, 4, "1.235e+04"}));

}  // namespace
}  // namespace unionbound
