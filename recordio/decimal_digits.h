// decimal_digits.h - the digit string of a double for a real field.
//
// The value is scaled by one power of ten into [1, 10), its first 16 digits
// are taken from the exact expansion of the scaled double and rounded half
// away from zero at the last decimal shown. Output files were always
// written this way, so the digits are not those of a correctly rounded
// formatter (0.0145 shows as 0.014 with three decimals).
#pragma once

#include <cstdint>

namespace recordio {

// 0.D1D2...D20 x 10^exponent. Only D1 to D16 can be other than '0'.
struct DigitString {
  enum class Kind { number, not_a_number, infinity };
  Kind kind = Kind::number;
  char digits[20] = {'0', '0', '0', '0', '0', '0', '0', '0', '0', '0',
                     '0', '0', '0', '0', '0', '0', '0', '0', '0', '0'};
  int exponent = 0;  // n

  // D_i for i >= 1; a digit past D20 reads as '0'.
  char digit(std::int64_t i) const {
    return i >= 1 && i <= 20 ? digits[static_cast<int>(i) - 1] : '0';
  }
};

// Fills `out` for a field with `decimals` decimals, rounding applied: the
// digits a real field with `decimals` decimals shows. For a NaN or an
// infinity only `kind` says anything; a zero or a subnormal value gives
// twenty '0' and exponent 0, whatever its sign.
void decimal_digits(double x, int decimals, DigitString& out);

// The same digits before rounding: D1 to D16 truncated from the exact
// expansion of the scaled value, D1 never '0' for a nonzero normal value.
void unrounded_digits(double x, DigitString& out);

// The rounding step alone, at the last of `decimals` decimals. Used on the
// result of unrounded_digits.
void round_digits(DigitString& digits, int decimals);

// The digits a real field with `decimals` decimals shows, for the values
// fields mostly hold, worked out as one integer instead of a string: the
// field shows `shown` x 10^-decimals, whose digits are D1 to D(n + decimals)
// of decimal_digits(x, decimals) with n = `exponent` (both after rounding).
// Returns false, leaving `out` unspecified, unless x is a normal double that
// the scaling takes to [1, 10) and n + decimals, before rounding, is 1 to
// 15; every other value goes through decimal_digits.
struct ShownDigits {
  std::uint64_t shown = 0;
  int exponent = 0;  // n
};
bool shown_digits(double x, int decimals, ShownDigits& out);

// The digits of a value `scaled` that the scaling left in [0.5, 16), with
// `exponent` the n it was given (value = scaled x 10^(n-1)). Exposed so that
// the two ends the scaling can miss by one rounding are testable: a value
// below 1 and a value of 10 or more keep their exact digits, and the
// exponent moves instead. Any other `scaled` (the scaling never gives one)
// is brought into range by rounded steps, so that the digits are still
// digits.
void expand_scaled(double scaled, int exponent, DigitString& out);

}  // namespace recordio
