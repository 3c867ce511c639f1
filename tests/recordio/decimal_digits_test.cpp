// decimal_digits_test.cpp - the digit string of a double, against an exact reference.
//
// The reference below scales a double with its own copy of the estimate and
// the power of ten, then expands the scaled double exactly with a small
// big-integer (a = m x 2^q is m x 5^-q / 10^-q), so it shares no digit
// arithmetic with the writer.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "recordio/decimal_digits.h"

namespace {

using recordio::DigitString;

std::string digits_of(const DigitString& s) { return std::string(s.digits, 20); }

double from_bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

// ---------------------------------------------------------------------------
// Exact reference

struct Scaled {
  double a;
  int n;
};

double reference_power(int m) {
  double t = 1.0;
  double u = 10.0;
  while (m >= 2) {
    if (m % 2 == 1) t = u * t;
    m /= 2;
    u = u * u;
  }
  return u * t;
}

Scaled reference_scale(double x) {
  const auto biased = static_cast<std::int32_t>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FF);
  const std::int32_t product = (biased - 1023) * 19728;
  // floor division by 2^16, written without a shift so that it does not
  // lean on the same expression as the writer.
  std::int32_t k = product / 65536;
  if (product % 65536 != 0 && product < 0) --k;
  double a = std::fabs(x);
  if (k > 0) a = a / reference_power(k);
  if (k < 0) a = a * reference_power(-k);
  if (a < 10.0) return {a, k + 1};
  return {a / 10.0, k + 2};
}

// Decimal digits of m x 5^p, most significant first.
std::string big_decimal(std::uint64_t m, int p) {
  std::vector<std::uint32_t> limbs;  // base 10^9, least significant first
  while (m != 0) {
    limbs.push_back(static_cast<std::uint32_t>(m % 1000000000));
    m /= 1000000000;
  }
  for (int i = 0; i < p; ++i) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs) {
      const std::uint64_t v = std::uint64_t{limb} * 5 + carry;
      limb = static_cast<std::uint32_t>(v % 1000000000);
      carry = v / 1000000000;
    }
    if (carry != 0) limbs.push_back(static_cast<std::uint32_t>(carry));
  }
  std::string text;
  for (auto it = limbs.rbegin(); it != limbs.rend(); ++it) {
    std::string part = std::to_string(*it);
    if (it != limbs.rbegin()) part.insert(0, 9 - part.size(), '0');
    text += part;
  }
  return text.empty() ? "0" : text;
}

// The first 16 significant digits of the exact expansion of the scaled
// double, truncated, padded to 20 with '0', and the n that makes
// 0.D1D2... x 10^n the same value as a x 10^(n_scaling - 1).
struct Reference {
  std::string digits;
  int exponent;
};

Reference reference_digits(double x) {
  const Scaled s = reference_scale(x);
  const auto bits = std::bit_cast<std::uint64_t>(s.a);
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int q = static_cast<int>((bits >> 52) & 0x7FF) - 1075;
  std::string text;
  int point = 0;  // digits of `text` before the decimal point
  if (q >= 0) {
    text = big_decimal(m << q, 0);  // not reached: the scaled value is below 16
    point = static_cast<int>(text.size());
  } else {
    text = big_decimal(m, -q);
    point = static_cast<int>(text.size()) + q;
  }
  while (!text.empty() && text.front() == '0') {
    text.erase(0, 1);
    --point;
  }
  text = text.substr(0, 16);
  text.resize(20, '0');
  return {text, point + s.n - 1};
}

// Rounding as string arithmetic on the reference digits: one unit added to
// the number D1..D(L-1), D_L cleared, the digits after it kept in place.
Reference reference_round(Reference r, int decimals) {
  long last = long{r.exponent} + decimals + 1;
  if (last <= 0) return r;
  if (last > 16) last = 16;
  const auto l = static_cast<std::size_t>(last);
  if (r.digits[l - 1] < '5') return r;
  std::string head = r.digits.substr(0, l - 1);
  std::size_t i = head.size();
  while (i > 0 && head[i - 1] == '9') head[--i] = '0';
  if (i > 0) {
    ++head[i - 1];
    r.digits = head + "0" + r.digits.substr(l);
  } else {
    r.digits = "1" + std::string(l - 1, '0') + r.digits.substr(l);
    ++r.exponent;
  }
  return r;
}

std::size_t property_count() {
  const char* text = std::getenv("F2E_PROPERTY_COUNT");
  if (text == nullptr || *text == '\0') return 20000;
  return static_cast<std::size_t>(std::strtoull(text, nullptr, 10));
}

// ---------------------------------------------------------------------------
// NaN, infinity, zero

// A writer that tested the fraction bits the wrong way round, or looked at
// the sign, would mix up NaN and INF.
TEST(DecimalDigits, NanAndInfinityFromTheExponentField) {
  struct Row {
    std::uint64_t bits;
    DigitString::Kind kind;
  };
  const Row rows[] = {
      {0x7FF0000000000000, DigitString::Kind::infinity},
      {0xFFF0000000000000, DigitString::Kind::infinity},
      {0x7FF8000000000000, DigitString::Kind::not_a_number},
      {0xFFF8000000000000, DigitString::Kind::not_a_number},
      {0x7FF0000000000001, DigitString::Kind::not_a_number},  // signalling, lowest bit only
  };
  for (const Row& row : rows) {
    DigitString out;
    recordio::decimal_digits(from_bits(row.bits), 6, out);
    EXPECT_EQ(out.kind, row.kind) << std::hex << row.bits;
  }
}

// Subnormals must not go through the scaling (whose estimate assumes a
// normal exponent), and rounding must not turn the zero string into 1.
TEST(DecimalDigits, ZeroAndSubnormalsGiveTwentyZerosAndExponentZero) {
  const double values[] = {0.0, -0.0, from_bits(1), from_bits(0x800FFFFFFFFFFFFF),
                           std::numeric_limits<double>::denorm_min()};
  for (double x : values) {
    for (int decimals : {0, 3, 20, 400}) {
      DigitString out;
      out.exponent = 99;
      out.digits[0] = '7';
      recordio::decimal_digits(x, decimals, out);
      EXPECT_EQ(out.kind, DigitString::Kind::number);
      EXPECT_EQ(digits_of(out), std::string(20, '0')) << x;
      EXPECT_EQ(out.exponent, 0) << x;
    }
  }
}

// ---------------------------------------------------------------------------
// Known values

// Wrong scaling order, an extra rounding or correct rounding instead of the
// exact expansion would change these digit strings.
TEST(DecimalDigits, KnownStringsBeforeRounding) {
  struct Row {
    double x;
    const char* digits;
    int exponent;
  };
  const Row rows[] = {
      {1.0, "10000000000000000000", 1},
      {1.0005, "10004999999999990000", 1},  // stored just below the tie
      {2.0005, "20005000000000000000", 1},  // stored just above it
      {0.125, "12500000000000000000", 0},
      {-12345.678905, "12345678905000000000", 5},
      {0.000012, "11999999999999990000", -4},  // 1.2 after scaling is below 1.2
      {1e22, "10000000000000000000", 23},      // the last exact power
  };
  for (const Row& row : rows) {
    DigitString out;
    recordio::unrounded_digits(row.x, out);
    EXPECT_EQ(digits_of(out), row.digits) << row.x;
    EXPECT_EQ(out.exponent, row.exponent) << row.x;
  }
}

// ---------------------------------------------------------------------------
// The rounding step on made-up strings

DigitString made(const char* digits, int exponent) {
  DigitString s;
  for (int i = 0; i < 20; ++i) s.digits[i] = digits[i];
  s.exponent = exponent;
  return s;
}

// Each row pins one rule of the step: the stop at L <= 0, the cap of L at
// 16, the test on D_L alone, the 0 left at D_L, the carry chain, and the
// carry past D1 that makes a new leading 1 and raises n.
TEST(DecimalDigitsRounding, RulesOfTheRoundingStep) {
  struct Row {
    const char* digits;
    int exponent;
    int decimals;
    const char* expected;
    int expected_exponent;
  };
  const Row rows[] = {
      // L = n + d + 1 <= 0: untouched even with D1 = 9.
      {"99999999999999990000", -3, 2, "99999999999999990000", -3},
      // L = 1, D1 >= 5: the carry passes D1 at once.
      {"50000000000000000000", -3, 3, "10000000000000000000", -2},
      // L = 1, D1 = 4: untouched.
      {"49999999999999990000", -3, 3, "49999999999999990000", -3},
      // D_L = 5 rounds up; D_L becomes 0 and later digits stay.
      {"12500000000000000000", 0, 2, "13000000000000000000", 0},
      {"12567000000000000000", 1, 1, "13067000000000000000", 1},
      // Only D_L counts: 4 followed by 9s does not round.
      {"12499999999999990000", 1, 1, "12499999999999990000", 1},
      // A carry through 9s.
      {"19999500000000000000", 1, 3, "20000500000000000000", 1},
      // A carry past D1: the digits before D_L are 0, D1 becomes 1.
      {"99999700000000000000", 1, 3, "10000700000000000000", 2},
      // L capped at 16: D16 is the rounding digit and is shown as 0.
      {"12345678901234560000", 5, 30, "12345678901234600000", 5},
      {"12345678901234540000", 5, 30, "12345678901234540000", 5},
      {"99999999999999990000", 10, 30, "10000000000000000000", 11},
  };
  for (const Row& row : rows) {
    DigitString s = made(row.digits, row.exponent);
    recordio::round_digits(s, row.decimals);
    EXPECT_EQ(digits_of(s), row.expected) << row.digits << " d=" << row.decimals;
    EXPECT_EQ(s.exponent, row.expected_exponent) << row.digits << " d=" << row.decimals;
  }
}

// ---------------------------------------------------------------------------
// The ends of the scaled range

// If the scaling lands on 10 or more, taking the integer part as D1 would
// store the character after '9'; the exact expansion must move n instead.
TEST(DecimalDigitsScaledRange, TenOrMoreKeepsExactDigitsAndRaisesExponent) {
  struct Row {
    double scaled;
    const char* digits;
    int exponent;
  };
  const Row rows[] = {
      {10.0, "10000000000000000000", 6},
      {15.5, "15500000000000000000", 6},
      {std::nextafter(16.0, 0.0), "15999999999999990000", 6},
  };
  for (const Row& row : rows) {
    DigitString out;
    recordio::expand_scaled(row.scaled, 5, out);
    EXPECT_EQ(digits_of(out), row.digits) << row.scaled;
    EXPECT_EQ(out.exponent, row.exponent) << row.scaled;
  }
}

// A scaled value just below 1 has 53 fraction bits, one more than the
// fixed-point fraction holds; taking D1 = 0 would waste a shown digit and
// dropping the bit would change the digits.
TEST(DecimalDigitsScaledRange, BelowOneKeepsExactDigitsAndLowersExponent) {
  struct Row {
    double scaled;
    const char* digits;
    int exponent;
  };
  const Row rows[] = {
      {0.5, "50000000000000000000", 4},
      {0.75, "75000000000000000000", 4},
      // 1 - 2^-53: its last digits need the lowest bit.
      {std::nextafter(1.0, 0.0), "99999999999999980000", 4},
      {0.99241610332961006, "99241610332961000000", 4},
  };
  for (const Row& row : rows) {
    DigitString out;
    recordio::expand_scaled(row.scaled, 5, out);
    EXPECT_EQ(digits_of(out), row.digits) << row.scaled;
    EXPECT_EQ(out.exponent, row.exponent) << row.scaled;
  }
}

// A caller outside the range the scaling gives must still get digits, never
// a character past '9' or a loop that does not end.
TEST(DecimalDigitsScaledRange, OutOfRangeValuesStillGiveDigits) {
  const double values[] = {1e-300,
                           0.1,
                           16.0,
                           1e300,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::infinity(),
                           0.0,
                           -1.0};
  for (double scaled : values) {
    DigitString out;
    recordio::expand_scaled(scaled, 1, out);
    for (char c : out.digits) EXPECT_TRUE(c >= '0' && c <= '9') << scaled;
  }
}

// Every binary exponent, at the smallest and the largest mantissa (the
// scaling is monotone between them for one exponent): D1 is a nonzero digit
// and the digits equal the exact reference. Also pins that only the two
// known exponents leave the scaled value below 1 and none reaches 10.
TEST(DecimalDigitsScaledRange, EveryBinaryExponentAtBothEnds) {
  std::vector<int> below_one;
  for (std::uint64_t e = 1; e <= 2046; ++e) {
    const std::uint64_t low = e << 52;
    const std::uint64_t high = low | ((std::uint64_t{1} << 52) - 1);
    for (std::uint64_t bits : {low, high}) {
      const double x = from_bits(bits);
      const Scaled s = reference_scale(x);
      EXPECT_LT(s.a, 10.0) << "exponent field " << e;
      if (s.a < 1.0 && bits == low) below_one.push_back(static_cast<int>(e));
      DigitString out;
      recordio::unrounded_digits(x, out);
      const Reference ref = reference_digits(x);
      ASSERT_GE(out.digits[0], '1') << "exponent field " << e;
      ASSERT_EQ(digits_of(out), ref.digits) << "exponent field " << e;
      ASSERT_EQ(out.exponent, ref.exponent) << "exponent field " << e;
    }
  }
  EXPECT_EQ(below_one, (std::vector<int>{146, 342}));
}

// ---------------------------------------------------------------------------
// Property: random doubles over the whole exponent range

// Any fault in the estimate, the power, the fixed-point expansion or the
// carry shows up as a mismatch with the exact reference.
TEST(DecimalDigitsProperty, RandomDoublesMatchExactReference) {
  std::mt19937_64 random(20240611);
  const std::size_t count = property_count();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t bits = random();
    const double x = from_bits(bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0 || biased == 0x7FF) continue;
    DigitString out;
    recordio::unrounded_digits(x, out);
    const Reference ref = reference_digits(x);
    ASSERT_EQ(digits_of(out), ref.digits) << std::hexfloat << x;
    ASSERT_EQ(out.exponent, ref.exponent) << std::hexfloat << x;

    const int decimals = static_cast<int>(random() % 24);
    DigitString rounded;
    recordio::decimal_digits(x, decimals, rounded);
    const Reference expected = reference_round(ref, decimals);
    ASSERT_EQ(digits_of(rounded), expected.digits) << std::hexfloat << x << " d=" << decimals;
    ASSERT_EQ(rounded.exponent, expected.exponent) << std::hexfloat << x << " d=" << decimals;
  }
}

// The same near the program's own magnitudes, where the rounding digit is
// usually inside the 16 and carries are common.
TEST(DecimalDigitsProperty, ValuesOfFieldSizeMatchExactReference) {
  std::mt19937_64 random(77);
  std::uniform_real_distribution<double> exponent(-8.0, 12.0);
  const std::size_t count = property_count();
  for (std::size_t i = 0; i < count; ++i) {
    double x = std::pow(10.0, exponent(random));
    if (random() % 2 == 0) x = -x;
    // Values with few significant digits, where decimal ties live.
    if (random() % 4 == 0) x = std::round(x * 10000.0) / 10000.0 + 0.00005;
    const int decimals = static_cast<int>(random() % 9);
    DigitString rounded;
    recordio::decimal_digits(x, decimals, rounded);
    const Reference expected = reference_round(reference_digits(x), decimals);
    ASSERT_EQ(digits_of(rounded), expected.digits) << std::hexfloat << x << " d=" << decimals;
    ASSERT_EQ(rounded.exponent, expected.exponent) << std::hexfloat << x << " d=" << decimals;
  }
}

}  // namespace
