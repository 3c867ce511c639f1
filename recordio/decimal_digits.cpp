// decimal_digits.cpp - digits of a double by one scaling and an exact expansion.
//
// The steps are fixed because the files this program writes must not change:
// an estimate of the decimal exponent from the binary one, one division or
// multiplication by a power of ten built by repeated squaring (so only
// 10^0 to 10^22 are exact), at most one more division by ten, then the exact
// digits of the double that this left. No wider precision and no big
// numbers: a field costs two rounded operations and fifteen fixed-point
// multiplications by ten.
#include "recordio/decimal_digits.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "recordio/power_of_ten.h"

namespace recordio {

namespace {

constexpr std::uint64_t fraction_mask = (std::uint64_t{1} << 52) - 1;
constexpr std::uint64_t hidden_bit = std::uint64_t{1} << 52;
constexpr int fraction_bits = 52;
constexpr int significant_digits = 16;

int exponent_field(double x) {
  return static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FF);
}

std::uint64_t fraction_field(double x) { return std::bit_cast<std::uint64_t>(x) & fraction_mask; }

void fill_zeros(DigitString& out) {
  for (char& c : out.digits) c = '0';
}

// |x| scaled by one power of ten towards [1, 10), and the decimal exponent
// n that goes with it, for a normal x whose exponent field is `biased`.
struct Scaled {
  double a;
  int n;
};

Scaled scaled_value(double x, int biased) {
  // floor((E - 1023) x log10(2)) with log10(2) as 19728 / 2^16; the product
  // fits in 32 bits and the shift of a negative product rounds down.
  const std::int32_t k = ((biased - 1023) * 19728) >> 16;
  double a = std::fabs(x);
  // |k| is at most 308 for a normal x, so the power is always in the table.
  if (k > 0) a = a / power_of_ten_table[static_cast<std::size_t>(k)];
  if (k < 0) a = a * power_of_ten_table[static_cast<std::size_t>(-k)];
  if (!(a < 10.0)) return {a / 10.0, k + 2};
  return {a, k + 1};
}

}  // namespace

void expand_scaled(double scaled, int exponent, DigitString& out) {
  out.kind = DigitString::Kind::number;
  fill_zeros(out);

  // Never reached from unrounded_digits (every binary exponent is checked in
  // the tests); rounded steps keep any other caller's value within the
  // fixed-point range below.
  if (!(scaled > 0.0 && scaled <= std::numeric_limits<double>::max())) {
    out.exponent = 0;
    return;
  }
  while (scaled >= 16.0) {
    scaled = scaled / 10.0;
    ++exponent;
  }
  while (scaled < 0.5) {
    scaled = scaled * 10.0;
    --exponent;
  }

  // The scaled value as a fixed-point number with 52 fraction bits holds
  // every bit of a double in [1, 16) exactly. For [0.5, 1), which an estimate
  // one too high or an inexact power gives for a few binary exponents, the
  // lowest bit would not fit; ten times the value does fit exactly (m x 5 at
  // 52 fraction bits), so the digits stay the exact ones and D1 is not '0'.
  const std::uint64_t mantissa = fraction_field(scaled) | hidden_bit;
  const int shift = exponent_field(scaled) - 1023;  // -1 to 3
  std::uint64_t fixed = 0;
  if (shift < 0) {
    fixed = mantissa * 5;
    --exponent;
  } else {
    fixed = mantissa << shift;
  }

  int next = 0;
  std::uint64_t integer_part = fixed >> fraction_bits;
  // An integer part of 10 to 15 (a scaling that landed on 10 or just past
  // it) is two digits of the exact expansion, not one character.
  if (integer_part >= 10) {
    out.digits[next++] = '1';
    integer_part -= 10;
    ++exponent;
  }
  out.digits[next++] = static_cast<char>('0' + integer_part);
  std::uint64_t fraction = fixed & fraction_mask;
  while (next < significant_digits) {
    fraction *= 10;
    out.digits[next++] = static_cast<char>('0' + (fraction >> fraction_bits));
    fraction &= fraction_mask;
  }
  out.exponent = exponent;
}

void unrounded_digits(double x, DigitString& out) {
  const int biased = exponent_field(x);
  if (biased == 0x7FF) {
    out.kind =
        fraction_field(x) != 0 ? DigitString::Kind::not_a_number : DigitString::Kind::infinity;
    fill_zeros(out);
    out.exponent = 0;
    return;
  }
  if (biased == 0) {
    // Zero and subnormal values both show as zero; the sign is the field's
    // business, not the digits'.
    out.kind = DigitString::Kind::number;
    fill_zeros(out);
    out.exponent = 0;
    return;
  }

  const Scaled scaled = scaled_value(x, biased);
  expand_scaled(scaled.a, scaled.n, out);
}

void round_digits(DigitString& digits, int decimals) {
  if (digits.kind != DigitString::Kind::number) return;
  std::int64_t last = std::int64_t{digits.exponent} + decimals + 1;
  if (last <= 0) return;
  if (last > significant_digits) last = significant_digits;
  const int l = static_cast<int>(last) - 1;  // index of D_L
  if (digits.digits[l] <= '4') return;
  digits.digits[l] = '0';
  int i = l - 1;
  while (i >= 0 && digits.digits[i] == '9') {
    digits.digits[i] = '0';
    --i;
  }
  if (i >= 0) {
    ++digits.digits[i];
  } else {
    digits.digits[0] = '1';
    ++digits.exponent;
  }
}

bool shown_digits(double x, int decimals, ShownDigits& out) {
  const int biased = exponent_field(x);
  // Zero, subnormal, infinite and not-a-number values in one comparison.
  if (static_cast<unsigned>(biased - 1) >= 0x7FE) return false;
  // The same scaled double as unrounded_digits, and so the same digits.
  const Scaled scaled = scaled_value(x, biased);
  // Below 1 the lowest bit of a would not fit 52 fraction bits.
  if (!(scaled.a >= 1.0)) return false;
  const std::int64_t count = std::int64_t{scaled.n} + decimals;  // digits shown before rounding
  if (count < 1 || count >= significant_digits) return false;

  // a is fixed / 2^52 exactly (a below 16 makes fixed an integer below 2^56,
  // so the product and the conversion are exact), and D1 to D(count + 1)
  // of its expansion are the integer part of F = fixed x 10^count / 2^52:
  // the same truncated digits that multiplying the fraction by ten count
  // times gives. Rounding half away from zero at the first digit not shown
  // is floor(F / 10 + 1/2), one product and one shift. A carry out of the
  // first digit makes one digit more and raises n.
  __extension__ using Wide = unsigned __int128;
  const auto fixed = static_cast<std::uint64_t>(static_cast<std::int64_t>(scaled.a * 0x1p52));
  const std::uint64_t* const power = &decimal_powers[static_cast<std::size_t>(count - 1)];
  const auto shown = static_cast<std::uint64_t>(
      (Wide{fixed} * power[0] + (Wide{1} << (fraction_bits - 1))) >> fraction_bits);
  out.shown = shown;
  out.exponent = scaled.n + (shown == power[1] ? 1 : 0);  // 10^count
  return true;
}

void decimal_digits(double x, int decimals, DigitString& out) {
  unrounded_digits(x, out);
  // A zero string is final: rounding could not change it anyway, and the
  // exponent 0 it carries must not grow.
  if (exponent_field(x) == 0) return;
  round_digits(out, decimals);
}

}  // namespace recordio
