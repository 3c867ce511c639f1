// decimal_conversion_test.cpp - text to double as the real reads do it.
//
// The worked cases were computed by hand with exact integer arithmetic
// (mantissa, its 53-bit cut, the power of ten by repeated squaring with one
// rounding per product); the property test checks the range where one
// correctly rounded operation must agree with the C library's strtod.
#include "recordio/decimal_conversion.h"
#include "recordio/power_of_ten.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using recordio::convert_decimal;
using recordio::power_of_ten;

constexpr double infinity = std::numeric_limits<double>::infinity();

std::uint64_t bits_of(double value) { return std::bit_cast<std::uint64_t>(value); }

// Compares bit patterns, so -0 and +0 differ and every last bit counts.
::testing::AssertionResult same_double(double expected, double actual) {
  if (bits_of(expected) == bits_of(actual)) return ::testing::AssertionSuccess();
  char text[128];
  std::snprintf(text, sizeof text, "expected %a (%.17g), got %a (%.17g)", expected, expected,
                actual, actual);
  return ::testing::AssertionFailure() << text;
}

struct WorkedCase {
  const char* name;
  std::string text;
  double expected;
};

void PrintTo(const WorkedCase& c, std::ostream* out) { *out << c.name; }

class DecimalConversionWorked : public ::testing::TestWithParam<WorkedCase> {};

// Each case names the step whose fault would change its result.
const WorkedCase worked_cases[] = {
    // The four values the measurements file is built from.
    {"short_fraction_is_one_division", "4.177", 0x1.0b53f7ced9168p+2},  // 4177 / 10^3
    {"trailing_zeros_cost_nothing", "-82167331.11000000",
     -0x1.397188c70a3d7p+26},  // 8216733111/10^2
    {"ten_with_zero_fraction_is_exact", "10.00000000", 10.0},
    // M = 123456789012345678 has 57 bits; cutting the low 4 gives ...66.
    {"mantissa_is_truncated_not_rounded", "12345678901234567.8", 12345678901234566.0},
    // 2^53 + 3 truncates to 2^53 + 2; rounding would give 2^53 + 4.
    {"truncation_below_a_tie", "9007199254740995", 9007199254740994.0},
    // All 20 digits fit (upper half 429496729 takes the last digit): 2^64 - 1
    // cut to 53 bits is 2^64 - 2^11.
    {"twenty_digits_still_fit_at_the_limit", "18446744073709551615", 0x1.fffffffffffffp+63},
    // After 12345678901234567890 the upper half is 2874452364 > limit: the
    // last four digits only raise the exponent.
    {"digits_past_the_limit_are_dropped", "123456789012345678901234", 0x1.a249b1f10a06cp+76},
    // 10^19 is exact in a double and P(19) is exact: 301 digits, e-300 -> 1.
    {"dropped_digits_count_in_the_exponent", "1" + std::string(300, '0') + "e-300", 1.0},
    {"fraction_digits_past_the_limit_are_ignored", "1.000000000000000000000000001", 1.0},
    // Zeros held back at the end are never applied; applying them would
    // push M past 53 bits and give 0x1.2c7592410645fp-1.
    {"held_back_zeros_are_not_applied_at_the_end", "0.5868344978690736000", 0x1.2c75924106460p-1},
    // Zeros in front of the first significant digit are applied while M is 0.
    {"leading_fraction_zeros_beyond_the_mantissa", "0." + std::string(5000, '0') + "5e5003", 500.0},
    // P(23) = 10^16 * 10^7 rounded, then one more rounding in the division.
    {"beyond_22_two_roundings", "1e-23", 0x1.82db34012b252p-77},
    // P(308) carries the rounding of every squaring.
    {"large_power_by_squaring", "1e308", 0x1.1ccf385ebc8a3p+1023},
    {"overflow_gives_infinity", "1e309", infinity},
    {"negative_overflow", "-1e400", -infinity},
    // P(320) is already infinity, so even a subnormal-range value is zero.
    {"underflow_through_infinite_power", "1e-320", 0.0},
    {"negative_underflow_keeps_sign", "-1e-400", -0.0},
    {"zero_mantissa_with_huge_exponent_is_zero", "0e400", 0.0},
    {"many_digits_overflow", "1" + std::string(100000, '9'), infinity},
    {"many_fraction_zeros_underflow", "0." + std::string(100000, '0') + "1", 0.0},
    // The exponent wraps in 32 bits: 4294967297 is 1, 2147483648 is -2^31.
    {"exponent_wraps_to_small", "1e4294967297", 10.0},
    {"exponent_wraps_to_negative", "1e2147483648", 0.0},
    // (10^1000 - 1) mod 2^32 is 2^32 - 1, that is -1.
    {"exponent_far_beyond_32_bits", "1e" + std::string(1000, '9'), 0.1},
    // 1844674408000000000 is at the limit but 10 * M would wrap 64 bits: the
    // digit is dropped (k = 1) instead of wrapping to 6290448384.
    {"mantissa_never_wraps", "18446744080000000000", 0x1.0000000176f0ap+64},
    // Exponent forms.
    {"sign_alone_starts_exponent", "1.5+3", 1500.0},
    {"negative_sign_alone", "1.5-3", 0.0015},
    {"letter_without_digits", "1.5e", 1.5},
    {"letter_and_sign_without_digits", "1.5D+", 1.5},
    {"d_exponent", "4.177D0", 0x1.0b53f7ced9168p+2},
    {"lower_case_exponent", "4177e-3", 0x1.0b53f7ced9168p+2},
    {"lower_case_d_exponent", "4177d-3", 0x1.0b53f7ced9168p+2},
    {"stops_at_second_point", "1.2.3", 1.2},
    {"ignores_text_after_exponent", "1.5e3xyz", 1500.0},
    {"leading_point", ".5", 0.5},
    {"trailing_point", "5.", 5.0},
    {"leading_blanks", "   42", 42.0},
    {"plus_sign", "+7", 7.0},
    // The sign is applied last.
    {"minus_zero", "-0", -0.0},
    {"lone_minus", "-", -0.0},
    {"minus_point_zero", "-.0", -0.0},
    {"empty", "", 0.0},
    {"infinity_letter", "inf", infinity},
    {"negative_infinity_letter", "-Infinity", -infinity},
    {"infinity_whatever_follows", "Ixyz", infinity},
};

INSTANTIATE_TEST_SUITE_P(Cases, DecimalConversionWorked, ::testing::ValuesIn(worked_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

TEST_P(DecimalConversionWorked, GivesTheHandComputedDouble) {
  EXPECT_TRUE(same_double(GetParam().expected, convert_decimal(GetParam().text)));
}

// A case-blind check of the letter would miss lower case "n".
TEST(DecimalConversion, NotANumberLetters) {
  for (const char* text : {"nan", "NaN", "N", "-n", "+Nothing"}) {
    EXPECT_TRUE(std::isnan(convert_decimal(text))) << text;
  }
}

// The reference value for a strtod that is correctly rounded: "1.5+3" and
// D exponents are spelled with an "e" for it.
std::string as_strtod_text(const std::string& text) {
  std::string result;
  bool exponent_seen = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == 'D' || c == 'd' || c == 'E') c = 'e';
    if (c == 'e') exponent_seen = true;
    if ((c == '+' || c == '-') && i > 0 && !exponent_seen) {
      result += 'e';
      exponent_seen = true;
    }
    result += c;
  }
  return result;
}

std::int64_t property_count() {
  const char* value = std::getenv("F2E_PROPERTY_COUNT");
  if (value == nullptr || *value == '\0') return 20000;
  return std::strtoll(value, nullptr, 10);
}

std::uint64_t property_seed() {
  const char* value = std::getenv("F2E_PROPERTY_SEED");
  if (value == nullptr || *value == '\0') return 20240611;
  return std::strtoull(value, nullptr, 10);
}

// Below 2^53 the mantissa is exact, and for |a| <= 22 so is P(|a|): the
// result is then one correctly rounded multiplication or division, which is
// what strtod gives. A fault in digit accumulation, the held-back zeros,
// the exponent or the sign shows here. Run large with F2E_PROPERTY_COUNT.
TEST(DecimalConversionProperty, MatchesStrtodWhereOneRoundingIsExact) {
  const std::uint64_t seed = property_seed();
  std::mt19937_64 random(seed);
  auto below = [&](std::uint64_t n) { return static_cast<std::uint64_t>(random() % n); };
  const std::int64_t count = property_count();
  std::int64_t failures = 0;
  std::int64_t checked = 0;
  for (std::int64_t run = 0; run < count && failures < 10; ++run) {
    std::string text;
    switch (below(3)) {
      case 0:
        text += '-';
        break;
      case 1:
        text += '+';
        break;
      default:
        break;
    }
    // Up to 17 digits in all (so that most mantissas stay below 2^53), and
    // now and then a run of trailing fraction zeros beyond them.
    const auto integer_digits = static_cast<int>(below(18));
    const int fraction_digits =
        static_cast<int>(below(static_cast<std::uint64_t>(18 - integer_digits))) +
        (integer_digits == 0 ? 1 : 0);
    std::string digits;
    for (int i = 0; i < integer_digits + fraction_digits; ++i) {
      // Many zeros, so that held-back and leading zeros are common.
      digits += below(3) == 0 ? '0' : static_cast<char>('0' + below(10));
    }
    const bool trailing_zeros = fraction_digits > 0 && below(4) == 0;
    if (trailing_zeros) digits += std::string(below(30), '0');
    // The mantissa is all digits up to the last non-zero fraction digit.
    std::size_t significant_end = static_cast<std::size_t>(integer_digits);
    for (std::size_t i = digits.size(); i > static_cast<std::size_t>(integer_digits); --i) {
      if (digits[i - 1] != '0') {
        significant_end = i;
        break;
      }
    }
    std::uint64_t mantissa = 0;
    bool too_long = false;
    for (std::size_t i = 0; i < significant_end; ++i) {
      if (mantissa > (std::uint64_t{1} << 53) / 10) too_long = true;
      mantissa = 10 * mantissa + static_cast<std::uint64_t>(digits[i] - '0');
    }
    if (too_long || mantissa >= (std::uint64_t{1} << 53)) continue;
    ++checked;
    const auto k =
        -static_cast<std::int64_t>(significant_end - static_cast<std::size_t>(integer_digits));

    text += digits.substr(0, static_cast<std::size_t>(integer_digits));
    if (digits.size() > static_cast<std::size_t>(integer_digits) || below(2) == 0) {
      text += '.';
      text += digits.substr(static_cast<std::size_t>(integer_digits));
    }
    const std::int64_t a = static_cast<std::int64_t>(below(45)) - 22;
    const std::int64_t e = a - k;
    if (e != 0 || below(2) == 0) {
      static const char* const leads[] = {"e", "E", "d", "D", ""};
      const char* lead = leads[below(5)];
      text += lead;
      if (e < 0) {
        text += '-';
      } else if (*lead == '\0' || below(2) == 0) {
        text += '+';
      }
      if (below(4) == 0) text += "00";
      text += std::to_string(e < 0 ? -e : e);
    }

    const double expected = std::strtod(as_strtod_text(text).c_str(), nullptr);
    const double actual = convert_decimal(text);
    if (bits_of(expected) != bits_of(actual)) {
      ++failures;
      ADD_FAILURE() << "seed " << seed << ", text \"" << text
                    << "\": " << same_double(expected, actual).message();
    }
  }
  // The generator must mostly produce texts inside the checked range.
  EXPECT_GT(checked, count / 2);
}

// Random bytes, signs, points and letters in any order must never crash or
// hang (run under the sanitizers to catch UB), and only an N or n after the
// sign may give not-a-number: 0 times an overflowed power must not.
TEST(DecimalConversionProperty, ArbitraryTextNeverFails) {
  std::mt19937_64 random(property_seed() + 1);
  const std::string alphabet = "0123456789+-.eEdDiInN \t\x1a";
  for (int run = 0; run < 20000; ++run) {
    std::string text;
    const auto length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) {
      text += random() % 8 == 0 ? static_cast<char>(random() % 256)
                                : alphabet[random() % alphabet.size()];
    }
    std::size_t first = text.find_first_not_of(' ');
    if (first != std::string::npos && (text[first] == '+' || text[first] == '-')) ++first;
    const bool names_nan = first < text.size() && (text[first] == 'N' || text[first] == 'n');
    EXPECT_EQ(names_nan, std::isnan(convert_decimal(text))) << text;
  }
}

// power_of_ten is exact through 10^22, squares with one rounding per
// product beyond, overflows to infinity, and takes O(log n) for any n.
TEST(DecimalPowerOfTen, ExactThroughTwentyTwo) {
  double exact = 1.0;
  for (int n = 0; n <= 22; ++n) {
    EXPECT_TRUE(same_double(exact, power_of_ten(n))) << n;
    exact *= 10.0;
  }
}

TEST(DecimalPowerOfTen, BeyondTwentyTwoAndOverflow) {
  EXPECT_TRUE(same_double(0x1.52d02c7e14af6p+76, power_of_ten(23)));  // 10^16 * 10^7
  EXPECT_TRUE(same_double(0x1.1ccf385ebc8a3p+1023, power_of_ten(308)));
  EXPECT_TRUE(same_double(infinity, power_of_ten(309)));
  EXPECT_TRUE(same_double(infinity, power_of_ten(std::numeric_limits<std::int64_t>::max())));
  EXPECT_TRUE(same_double(1.0, power_of_ten(-5)));
}

}  // namespace
