// decimal_conversion.cpp - decimal text to double through a 64-bit mantissa.
//
// The steps below reproduce, bit for bit, the doubles that earlier runs of
// this program produced from the same files. That conversion is not
// correctly rounded: it truncates the mantissa to 53 bits and scales with a
// power of ten that is itself rounded once per squaring. A correctly
// rounded parser (strtod and friends) would change results in the last bit
// for long mantissas and large exponents, so it must not be used here.
#include "recordio/decimal_conversion.h"

#include <bit>
#include <cstddef>
#include <limits>

#include "recordio/power_of_ten.h"

namespace recordio {

namespace {

// The mantissa stops taking digits once its upper 32 bits exceed this, the
// upper half of 2^64 / 10: beyond it a further digit cannot fit.
constexpr std::uint64_t mantissa_upper_limit = 429496729;

constexpr int double_mantissa_bits = 53;

bool has_room(std::uint64_t mantissa) { return (mantissa >> 32) <= mantissa_upper_limit; }

// The limit alone still lets 10 * M + digit pass 2^64 when the upper half is
// exactly at the limit (18446744080000000000 would wrap to 6290448384), so a
// digit that would wrap is treated as one that no longer fits.
bool takes(std::uint64_t mantissa, std::uint64_t digit) {
  return has_room(mantissa) && mantissa <= (std::numeric_limits<std::uint64_t>::max() - digit) / 10;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::uint64_t digit_value(char c) { return static_cast<std::uint64_t>(c - '0'); }

// Keeps the 53 most significant bits and drops the rest, so the conversion
// to double below is exact: the cut is a truncation, never a rounding.
double truncated_to_double(std::uint64_t mantissa) {
  const int bits = std::numeric_limits<std::uint64_t>::digits - std::countl_zero(mantissa);
  if (bits > double_mantissa_bits) {
    const int dropped = bits - double_mantissa_bits;
    mantissa = (mantissa >> dropped) << dropped;
  }
  return static_cast<double>(mantissa);
}

}  // namespace

double convert_decimal(std::string_view text) {
  const std::size_t end = text.size();
  std::size_t i = 0;
  while (i < end && text[i] == ' ') ++i;

  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  if (i < end) {
    const char first = text[i];
    if (first == 'I' || first == 'i') {
      return negative ? -std::numeric_limits<double>::infinity()
                      : std::numeric_limits<double>::infinity();
    }
    if (first == 'N' || first == 'n') return std::numeric_limits<double>::quiet_NaN();
  }

  std::uint64_t mantissa = 0;
  // Decimal exponent of the mantissa. It moves by at most one per character
  // of the text, so 64 bits can never overflow.
  std::int64_t k = 0;

  // Digits that no longer fit only raise the exponent: their value is lost.
  for (; i < end && is_digit(text[i]); ++i) {
    if (takes(mantissa, digit_value(text[i]))) {
      mantissa = 10 * mantissa + digit_value(text[i]);
    } else {
      ++k;
    }
  }

  if (i < end && text[i] == '.') {
    ++i;
    // Zeros are held back until a non-zero digit needs them, so trailing
    // zeros of a fraction neither fill the mantissa nor lower the exponent.
    std::int64_t held_zeros = 0;
    for (; i < end && is_digit(text[i]); ++i) {
      if (!has_room(mantissa)) continue;
      if (text[i] == '0') {
        ++held_zeros;
        continue;
      }
      for (; held_zeros > 0 && takes(mantissa, 0); --held_zeros) {
        mantissa *= 10;
        --k;
      }
      held_zeros = 0;
      if (takes(mantissa, digit_value(text[i]))) {
        mantissa = 10 * mantissa + digit_value(text[i]);
        --k;
      }
    }
  }

  // The exponent is accumulated in 32 bits, as it always was; unsigned
  // arithmetic makes the wraparound of a huge exponent defined.
  if (i < end && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) ++i;
  bool exponent_negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    exponent_negative = text[i] == '-';
    ++i;
  }
  std::uint32_t e = 0;
  for (; i < end && is_digit(text[i]); ++i) {
    e = 10u * e + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (exponent_negative) e = 0u - e;
  const std::int64_t a = std::int64_t{static_cast<std::int32_t>(e)} + k;

  const double value = scaled_mantissa(mantissa, a);
  return negative ? -value : value;
}

double scaled_mantissa(std::uint64_t mantissa, std::int64_t exponent) {
  // A zero mantissa is zero at any scale: multiplying it by an overflowed
  // power of ten would give not-a-number for a text such as 0e400.
  if (mantissa == 0) return 0.0;
  const double value = truncated_to_double(mantissa);
  if (exponent > 0) return value * power_of_ten(exponent);
  if (exponent < 0) return value / power_of_ten(-exponent);
  return value;
}

}  // namespace recordio
