// decimal_conversion_fuzzer.cpp - recordio::convert_decimal over arbitrary text.
//
// Beyond not crashing: leading blanks and a plus sign change nothing, a
// minus sign only flips the sign bit, and a text that is a plain decimal
// number converts to within 10^-14 relative of the value of its first 15
// significant digits (exactly to the one rounded product or quotient when
// the digits and the exponent are small enough for that to be exact), to
// infinity above the double range and to zero below it. Between 10^-308 and
// 10^-287 nothing is asked: there a long mantissa makes the one power of
// ten the conversion divides by overflow, and the value becomes zero.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "recordio/decimal_conversion.h"

namespace {

using fuzz_support::fail;

bool same(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A text that is exactly blanks, an optional sign, digits with at most one
// point (at least one digit) and an optional exponent (E, D, e or d with an
// optional sign, or a sign alone, then at least one digit, taken modulo
// 2^32), then nothing or
// a character that cannot continue a number.
struct PlainNumber {
  bool negative = false;
  std::string significant;  // digits from the first nonzero one, trailing zeros kept
  std::int64_t point = 0;   // value = 0.<significant> x 10^point
  std::int64_t fraction_digits = 0;
  std::int64_t trailing_fraction_zeros = 0;  // not applied to the mantissa
  std::int64_t exponent = 0;                 // written exponent, as its 32-bit value
};

bool parse_plain(std::string_view text, PlainNumber& number) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) number.negative = text[at++] == '-';
  std::int64_t integer_digits = 0;  // counted from the first nonzero digit
  std::size_t digit_count = 0;
  bool seen_point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (is_digit(c)) {
      ++digit_count;
      if (seen_point) {
        ++number.fraction_digits;
        number.trailing_fraction_zeros = c == '0' ? number.trailing_fraction_zeros + 1 : 0;
      }
      if (!number.significant.empty() || c != '0') {
        number.significant += c;
        if (!seen_point) ++integer_digits;
      } else if (seen_point) {
        --integer_digits;  // a zero between the point and the first nonzero digit
      }
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
  }
  if (digit_count == 0) return false;
  if (at < text.size()) {
    char c = text[at];
    const bool letter = c == 'E' || c == 'e' || c == 'D' || c == 'd';
    if (letter || c == '+' || c == '-') {
      if (letter) ++at;
      bool negative_exponent = false;
      if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative_exponent = text[at++] == '-';
      // The exponent is taken in 32-bit arithmetic and wraps: files written
      // with absurd exponents must keep converting as they always did.
      std::uint32_t wrapped = 0;
      std::size_t exponent_digits = 0;
      for (; at < text.size() && is_digit(text[at]); ++at, ++exponent_digits) {
        wrapped = wrapped * 10u + static_cast<std::uint32_t>(text[at] - '0');
      }
      if (exponent_digits == 0) return false;
      if (negative_exponent) wrapped = 0u - wrapped;
      number.exponent = static_cast<std::int32_t>(wrapped);
      // Where adding the digits' own exponent could wrap once more, the
      // model has nothing to say.
      if (number.exponent > 2'000'000'000 || number.exponent < -2'000'000'000) return false;
    }
  }
  if (at < text.size()) {
    const char c = text[at];
    if (is_digit(c) || c == '.' || c == '+' || c == '-' || c == 'E' || c == 'e' || c == 'D' ||
        c == 'd') {
      return false;
    }
  }
  number.point = integer_digits + number.exponent;
  return true;
}

// m x 10^q for an exact integer m, with at most a few roundings (each a
// relative 2^-53): exact powers of ten up to 10^22 multiplied or divided in.
double scaled(double m, std::int64_t q) {
  static constexpr double exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  double value = m;
  std::int64_t left = q < 0 ? -q : q;
  while (left > 0) {
    const std::int64_t step = left > 22 ? 22 : left;
    value = q < 0 ? value / exact[step] : value * exact[step];
    left -= step;
  }
  return value;
}

void check_plain(std::string_view text, double result) {
  PlainNumber number;
  if (!parse_plain(text, number)) return;
  const std::string shown(text.substr(0, 200));
  if (number.significant.empty()) {
    if (!same(result, number.negative ? -0.0 : 0.0))
      fail("a zero converts to something else", shown);
    return;
  }
  if (std::signbit(result) != number.negative) fail("conversion lost the sign", shown);
  const double magnitude = std::fabs(result);
  // The value lies in [10^(point-1), 10^point).
  if (number.point - 1 >= 309) {
    if (!std::isinf(magnitude)) fail("a value beyond the double range is not infinity", shown);
    return;
  }
  if (number.point <= -330) {
    if (magnitude != 0.0) fail("a value far below the double range is not zero", shown);
    return;
  }
  const std::string first = number.significant.substr(0, 15);
  const std::int64_t q = number.point - static_cast<std::int64_t>(first.size());
  // The next three digits as a fraction of the last unit: the digits cut
  // off then move the reference by at most 10^-17 relative.
  std::string next = number.significant.size() > 15 ? number.significant.substr(15, 3) : "";
  next.resize(3, '0');
  const double m =
      static_cast<double>(std::stoll(first)) + static_cast<double>(std::stoi(next)) / 1000.0;
  const double reference = scaled(m, q);
  // The conversion scales by 10^(q + trailing fraction zeros), exact up to 22.
  const std::int64_t scale = q + number.trailing_fraction_zeros;
  if (number.significant.size() <= 15 && q >= -22 && q <= 22 && scale >= -22 && scale <= 22) {
    // One rounded operation on exact operands: nothing else may come out.
    if (!same(magnitude, reference)) {
      char message[128];
      std::snprintf(message, sizeof message, "exact case gives %.17g instead of %.17g", magnitude,
                    reference);
      fail(message, shown);
    }
    return;
  }
  // A mantissa that took 19 or 20 digits is divided by 10^a with a past
  // 308 for any value below about 1.8e-289; that power is infinity and the
  // value comes out as zero, as it always did. Above the range, infinity.
  if (reference < 1e-287 || reference > 1e290) return;
  if (!(std::fabs(magnitude - reference) <= 1e-14 * reference)) {
    char message[128];
    std::snprintf(message, sizeof message, "gives %.17g, its first 15 digits make %.17g", magnitude,
                  reference);
    fail(message, shown);
  }
}

void check_signs_and_blanks(std::string_view text, double result) {
  const std::string shown(text.substr(0, 200));
  if (!same(recordio::convert_decimal("   " + std::string(text)), result)) {
    fail("leading blanks change the value", shown);
  }
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  const std::string_view rest = text.substr(start);
  if (rest.empty()) return;
  const char c = rest.front();
  if (!is_digit(c) && c != '.' && c != 'I' && c != 'i') return;
  const double unsigned_value = recordio::convert_decimal(rest);
  if (!same(recordio::convert_decimal("+" + std::string(rest)), unsigned_value)) {
    fail("a plus sign changes the value", shown);
  }
  if (!same(recordio::convert_decimal("-" + std::string(rest)), -unsigned_value)) {
    fail("a minus sign does more than flip the sign", shown);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double result = recordio::convert_decimal(text);
  check_plain(text, result);
  check_signs_and_blanks(text, result);
  return 0;
}
