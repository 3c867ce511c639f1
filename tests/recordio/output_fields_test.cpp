// output_fields_test.cpp - Iw, Fw.d and Aw, field by field.
//
// Blanks are written as '_' in the expected texts so that leading and
// trailing blanks can be counted.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "recordio/current_record.h"
#include "recordio/decimal_digits.h"
#include "recordio/output_fields.h"

namespace {

using recordio::CurrentRecord;
using recordio::DigitString;

std::string blanks_shown(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == ' ') c = '_';
  }
  return out;
}

std::string integer_field(std::int32_t v, std::int32_t w, std::int32_t m = 1) {
  CurrentRecord record;
  EXPECT_TRUE(recordio::edit_integer(record, v, w, m));
  EXPECT_EQ(record.position(), record.length());
  return blanks_shown(record.view());
}

std::string real_field(double x, std::int32_t w, std::int32_t d) {
  CurrentRecord record;
  DigitString digits;
  EXPECT_TRUE(recordio::edit_real(record, x, w, d, digits));
  EXPECT_EQ(record.position(), record.length());
  return blanks_shown(record.view());
}

std::string character_field(std::string_view text, std::int32_t w) {
  CurrentRecord record;
  EXPECT_TRUE(recordio::edit_character(record, text, w));
  EXPECT_EQ(record.position(), record.length());
  return blanks_shown(record.view());
}

constexpr double inf = std::numeric_limits<double>::infinity();

double negative_nan() { return std::bit_cast<double>(std::uint64_t{0xFFF8000000000000}); }
double positive_nan() { return std::bit_cast<double>(std::uint64_t{0x7FF8000000000000}); }

// ---------------------------------------------------------------------------
// Integer fields

// Wrong justification, a plus sign, a missing "0" for zero or a width test
// that forgets the sign's column would each break a row.
TEST(OutputIntegerField, RightJustifiedWithAsterisksWhenTooWide) {
  struct Row {
    std::int32_t v;
    std::int32_t w;
    std::int32_t m;
    const char* field;
  };
  const Row rows[] = {
      {133, 6, 1, "___133"},
      {-5, 4, 1, "__-5"},
      {-999, 4, 1, "-999"},
      {-1000, 4, 1, "****"},
      {12345, 4, 1, "****"},
      {0, 4, 1, "___0"},
      {85, 4, 1, "__85"},
      {9999, 4, 1, "9999"},
      {7, 1, 1, "7"},
      {-7, 1, 1, "*"},
      // The magnitude of the most negative value is 2147483648.
      {std::numeric_limits<std::int32_t>::min(), 11, 1, "-2147483648"},
      {std::numeric_limits<std::int32_t>::min(), 10, 1, "**********"},
      {std::numeric_limits<std::int32_t>::max(), 12, 1, "__2147483647"},
      // Minimum digit counts other than 1.
      {7, 5, 3, "__007"},
      {-7, 5, 3, "_-007"},
      {-7, 4, 4, "****"},
      {0, 3, 0, "___"},
      {0, 3, 2, "_00"},
      {12345, 6, 2, "_12345"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(integer_field(row.v, row.w, row.m), row.field)
        << "I" << row.w << "." << row.m << " of " << row.v;
  }
}

// ---------------------------------------------------------------------------
// Real fields

struct RealRow {
  double x;
  std::int32_t w;
  std::int32_t d;
  const char* field;
};

void expect_rows(std::initializer_list<RealRow> rows) {
  for (const RealRow& row : rows) {
    EXPECT_EQ(real_field(row.x, row.w, row.d), row.field)
        << "F" << row.w << "." << row.d << " of " << std::hexfloat << row.x << std::defaultfloat
        << " (" << row.x << ")";
  }
}

// The fields of the equation, micro-u and keV records: the sign's column,
// the leading "0", a carry that reaches the units, and asterisks when the
// integer digits do not fit (also when rounding pushes them over).
TEST(OutputRealField, FieldsOfTheProgramsRecords) {
  expect_rows({
      {1.5647, 6, 3, "_1.565"},
      {12.3456, 6, 3, "12.346"},
      {123.456, 6, 3, "******"},
      {-12.3456, 6, 3, "******"},
      {0.9996, 6, 3, "_1.000"},
      {-0.5, 6, 3, "-0.500"},
      {-12345.678905, 15, 5, "___-12345.67891"},
      {-9999999.999999, 15, 6, "-9999999.999999"},
      {1e12, 15, 6, "***************"},
      {0.000012, 9, 5, "__0.00001"},
      {-0.000005, 9, 5, "_-0.00001"},
      {-0.0000001, 9, 5, "__0.00000"},
      {0.5, 11, 6, "___0.500000"},
      {-999.9999996, 11, 6, "***********"},
      {0.0, 15, 6, "_______0.000000"},
  });
}

// The widest values each field of the program takes, with and without a
// sign, and the first ones that no longer fit.
TEST(OutputRealField, LargestMagnitudesThatFit) {
  expect_rows({
      {99.5, 6, 3, "99.500"},
      {-9.5, 6, 3, "-9.500"},
      {100.0, 6, 3, "******"},
      {-10.0, 6, 3, "******"},
      {999999999.0, 15, 5, "999999999.00000"},
      {-99999999.0, 15, 5, "-99999999.00000"},
      {1000000000.0, 15, 5, "***************"},
      {999.0, 9, 5, "999.00000"},
      {-99.0, 9, 5, "-99.00000"},
      {-100.0, 9, 5, "*********"},
      {99999999.0, 15, 6, "99999999.000000"},
      {-9999999.0, 15, 6, "-9999999.000000"},
      {9999.0, 11, 6, "9999.000000"},
      {-999.0, 11, 6, "-999.000000"},
      {10000.0, 11, 6, "***********"},
  });
}

// A writer that dropped the sign of negative zero, kept the sign of a
// negative value that rounds away, or printed "-0" without decimals would
// break these.
TEST(OutputRealField, ZeroAndValuesThatRoundToZero) {
  expect_rows({
      {-0.0, 6, 3, "-0.000"},
      {0.0, 6, 3, "_0.000"},
      {-0.0001, 6, 3, "_0.000"},
      {0.0001, 6, 3, "_0.000"},
      {-0.0004, 6, 3, "_0.000"},
      {-0.0006, 6, 3, "-0.001"},
      {-0.0, 4, 0, "__0."},
      {-0.3, 4, 0, "__0."},
      // A subnormal shows as zero, with the sign its bit gives.
      {-std::numeric_limits<double>::denorm_min(), 6, 3, "-0.000"},
      {std::numeric_limits<double>::denorm_min(), 6, 3, "_0.000"},
      // Values far too small to reach the last decimal.
      {1e-300, 9, 5, "__0.00000"},
      {-1e-300, 9, 5, "__0.00000"},
  });
}

// The rounding works on the 16-digit expansion of the scaled double, not on
// the correctly rounded decimal: these ties come out as the files always
// had them.
TEST(OutputRealField, DecimalTiesFollowTheScaledExpansion) {
  expect_rows({
      {0.0075, 6, 3, "_0.008"},
      {0.0145, 6, 3, "_0.014"},
      {10.8605, 6, 3, "10.860"},
      {1.0005, 6, 3, "_1.000"},
      {2.0005, 6, 3, "_2.001"},
      {0.125, 5, 2, "_0.13"},
  });
}

// Lost signs, a wrong blank count or a field wider than w for INF and NaN.
TEST(OutputRealField, InfinityAndNotANumber) {
  expect_rows({
      {inf, 15, 6, "____________INF"},
      {positive_nan(), 11, 6, "________NaN"},
      {-inf, 6, 3, "__-INF"},
      {negative_nan(), 6, 3, "__-NaN"},
      {inf, 3, 1, "INF"},
      {-inf, 4, 1, "-INF"},
      {-inf, 3, 1, "***"},
      {inf, 2, 0, "**"},
  });
}

// A field with d = 0 shows the point and no decimals; below one unit it is
// "0." without a sign.
TEST(OutputRealField, NoDecimals) {
  expect_rows({
      {0.4, 4, 0, "__0."},
      {0.5, 4, 0, "__1."},
      {-0.6, 4, 0, "_-1."},
      {0.4, 2, 0, "0."},
      {0.4, 1, 0, "."},
      {-0.4, 2, 0, "0."},
      {12.5, 4, 0, "_13."},
      {123.0, 3, 0, "***"},
  });
}

// Fields too narrow for the leading "0", for the point and decimals, or
// for the value: each must still be exactly w columns.
TEST(OutputRealField, NarrowFieldsKeepTheirWidth) {
  expect_rows({
      {0.5, 4, 3, ".500"},
      {-0.5, 5, 3, "-.500"},
      {-0.5, 4, 3, "****"},
      {0.5, 3, 3, "***"},
      {0.0001, 4, 3, ".000"},
      {-0.0001, 5, 3, "_.000"},
      {-0.0001, 4, 3, ".000"},
      // w < d + 1 and the value shows as zero: no room for ".ddd".
      {0.0001, 3, 3, "***"},
      {0.0, 2, 5, "**"},
      {-0.0, 1, 1, "*"},
      {5.0, 1, 3, "*"},
  });
}

// More decimals than the 16 significant digits: every decimal past the 16th
// significant digit is 0, and the 16th is the rounding digit itself.
TEST(OutputRealField, DigitsPastTheSixteenthAreZero) {
  expect_rows({
      {0.1, 23, 20, "_0.10000000000000000000"},
      {1.0 / 3.0, 23, 20, "_0.33333333333333330000"},
      {123456.125, 30, 20, "___123456.12500000000000000000"},
  });
}

// Huge and tiny magnitudes go through inexact powers of ten; they must give
// asterisks or digits, never a character outside the field's alphabet.
TEST(OutputRealField, ExtremeMagnitudesInTheProgramsFields) {
  const double values[] = {
      1e300, -1e300, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
      1e23,  1e-300, std::numeric_limits<double>::min()};
  for (double x : values) {
    for (auto [w, d] : {std::pair{6, 3}, {15, 5}, {9, 5}, {15, 6}, {11, 6}}) {
      const std::string field = real_field(x, w, d);
      EXPECT_EQ(field.size(), static_cast<std::size_t>(w));
      const bool stars = field == std::string(static_cast<std::size_t>(w), '*');
      if (std::fabs(x) >= 1.0) {
        EXPECT_TRUE(stars) << x << " " << field;
      } else {
        EXPECT_EQ(field.find_first_not_of("_0."), std::string::npos) << x << " " << field;
      }
    }
  }
  // Wide enough, 1e300 shows its 16 digits and then zeros.
  const std::string wide = real_field(1e300, 310, 2);
  EXPECT_EQ(wide.size(), 310u);
  EXPECT_EQ(wide.find_first_not_of("_0123456789."), std::string::npos);
  EXPECT_EQ(wide.substr(wide.size() - 3), ".00");
}

// ---------------------------------------------------------------------------
// Character fields

// Padding on the wrong side, a cut from the wrong end or trimmed blanks.
TEST(OutputCharacterField, PaddedOnTheLeftAndCutOnTheRight) {
  struct Row {
    const char* text;
    std::int32_t w;
    const char* field;
  };
  const Row rows[] = {
      {"Cs  ", 4, "Cs__"}, {"Cs  ", 6, "__Cs__"}, {"Cs  ", 2, "Cs"}, {"Cs  ", 0, "Cs__"},
      {"Rb  ", 1, "R"},    {"", 3, "___"},        {"", 0, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(character_field(row.text, row.w), row.field) << row.text << " A" << row.w;
  }
}

// Texts of one to twelve bytes are copied in overlapping pieces: a piece
// put one byte off, or one too few, shows in some length.
TEST(OutputCharacterField, EveryShortLengthInEveryShortField) {
  const std::string_view alphabet = "abcdefghijkl";
  for (std::size_t length = 0; length <= alphabet.size(); ++length) {
    for (std::int32_t w = 1; w <= 14; ++w) {
      const std::string_view text = alphabet.substr(0, length);
      const auto width = static_cast<std::size_t>(w);
      const std::string expected = width >= length
                                       ? std::string(width - length, '_') + std::string(text)
                                       : std::string(text.substr(0, width));
      EXPECT_EQ(character_field(text, w), expected) << length << " A" << w;
    }
  }
}

// Bytes are copied unchanged, NUL and high bytes included.
TEST(OutputCharacterField, BytesAreCopiedUnchanged) {
  const std::string text("a\0\xff\t", 4);
  CurrentRecord record;
  ASSERT_TRUE(recordio::edit_character(record, text, 4));
  EXPECT_EQ(std::string(record.view()), text);
}

// ---------------------------------------------------------------------------
// Fields at a position past the record's end

// A field after a skip lands at the skipped-to column with blanks before it;
// an editor that appended at the length would shift every later column.
TEST(OutputFieldsPosition, FieldsStoreAtThePosition) {
  CurrentRecord record;
  DigitString digits;
  record.set_position(5);
  ASSERT_TRUE(recordio::edit_integer(record, 133, 6, 1));
  ASSERT_TRUE(recordio::edit_character(record, "Cs  ", 4));
  ASSERT_TRUE(recordio::edit_real(record, 1.5647, 6, 3, digits));
  EXPECT_EQ(std::string(record.view()), "        133Cs   1.565");
  EXPECT_EQ(record.position(), 21);
}

// ---------------------------------------------------------------------------
// Property: every real field is w columns and shows the rounded digits

std::size_t property_count() {
  const char* text = std::getenv("F2E_PROPERTY_COUNT");
  if (text == nullptr || *text == '\0') return 20000;
  return static_cast<std::size_t>(std::strtoull(text, nullptr, 10));
}

double random_value(std::mt19937_64& random) {
  switch (random() % 4) {
    case 0:
      return std::bit_cast<double>(random());  // any bit pattern
    case 1: {
      std::uniform_real_distribution<double> exponent(-12.0, 14.0);
      const double x = std::pow(10.0, exponent(random));
      return random() % 2 == 0 ? x : -x;
    }
    case 2: {
      // Few decimals, near ties and near carries.
      const double x =
          static_cast<double>(random() % 2000000) / 1000.0 + (random() % 2 == 0 ? 0.0005 : 0.0);
      return random() % 2 == 0 ? x : -x;
    }
    default: {
      const double x = std::pow(10.0, static_cast<double>(random() % 12)) -
                       std::pow(10.0, -static_cast<double>(random() % 10));
      return random() % 2 == 0 ? x : -x;
    }
  }
}

// Whatever the value and the field, the field is w columns; when it is not
// asterisks, INF or NaN it has the layout blanks, optional "-", digits, ".",
// exactly d digits, and its digits are the rounded digit string placed at
// its exponent; a sign only for a negative value; asterisks exactly when the
// shortest layout needs more than w columns.
TEST(OutputRealFieldProperty, EveryFieldIsWColumnsAndShowsTheRoundedDigits) {
  std::mt19937_64 random(4242);
  const std::size_t count = property_count();
  for (std::size_t i = 0; i < count; ++i) {
    const double x = random_value(random);
    const auto w = static_cast<std::int32_t>(1 + random() % 30);
    const auto d = static_cast<std::int32_t>(random() % static_cast<std::uint64_t>(w + 3));
    CurrentRecord record;
    DigitString scratch;
    ASSERT_TRUE(recordio::edit_real(record, x, w, d, scratch));
    const std::string field(record.view());
    ASSERT_EQ(field.size(), static_cast<std::size_t>(w)) << x << " F" << w << "." << d;
    ASSERT_EQ(record.position(), w);

    DigitString digits;
    recordio::decimal_digits(x, d, digits);
    const bool negative = std::signbit(x);
    const std::string context =
        field + " for " + std::to_string(x) + " F" + std::to_string(w) + "." + std::to_string(d);
    if (field == std::string(static_cast<std::size_t>(w), '*')) {
      if (digits.kind != DigitString::Kind::number) {
        ASSERT_LT(w, 3 + (negative ? 1 : 0)) << context;
        continue;
      }
      const std::int64_t n = digits.exponent;
      const bool sign_shown = negative && (n >= 1 || (d >= 1 && n + d >= 1));
      const std::int64_t shortest = (sign_shown ? 1 : 0) + std::max<std::int64_t>(n, 0) + 1 + d;
      ASSERT_GT(shortest, w) << context;
      continue;
    }
    if (digits.kind != DigitString::Kind::number) {
      const std::string letters = digits.kind == DigitString::Kind::infinity ? "INF" : "NaN";
      ASSERT_EQ(field.substr(field.size() - 3), letters) << context;
      continue;
    }

    std::size_t at = field.find_first_not_of(' ');
    ASSERT_NE(at, std::string::npos) << context;
    const bool sign = field[at] == '-';
    if (sign) ++at;
    const std::size_t point = field.find('.');
    ASSERT_NE(point, std::string::npos) << context;
    ASSERT_EQ(field.size() - point - 1, static_cast<std::size_t>(d)) << context;
    std::string shown = field.substr(at, point - at) + field.substr(point + 1);
    ASSERT_EQ(shown.find_first_not_of("0123456789"), std::string::npos) << context;

    // The rounded digit string placed at its exponent, as an integer in
    // units of the last decimal.
    const std::int64_t n = digits.exponent;
    std::string expected;
    for (std::int64_t k = 1; k <= n + d; ++k) expected += digits.digit(k);
    const auto strip = [](std::string s) {
      const std::size_t first = s.find_first_not_of('0');
      return first == std::string::npos ? std::string() : s.substr(first);
    };
    ASSERT_EQ(strip(shown), strip(expected)) << context;
    if (sign) {
      ASSERT_TRUE(negative) << context;
    }
    if (negative && !strip(expected).empty()) {
      ASSERT_TRUE(sign) << context;
    }
    // The leading "0" of a value below one: there when the field has a
    // column for it after the sign's, absent otherwise.
    if (n <= 0 && d >= 1) {
      const std::int64_t r = w - (negative ? 1 : 0) - d - 1;
      ASSERT_EQ(point > 0 && field[point - 1] == '0', r >= 1) << context;
    }
  }
}

}  // namespace
