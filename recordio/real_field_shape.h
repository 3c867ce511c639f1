// real_field_shape.h - which characters a real field shows.
//
// The rules of a real field are decided here alone, from the value's
// decimal exponent n (the value is 0.D1D2... x 10^n after rounding), the
// field's width w and decimals d, and the value's sign; the three ways of
// storing a field (output_fields.cpp) only render the shape they are given.
#pragma once

#include <cstdint>

#include "recordio/decimal_digits.h"

namespace recordio {

// A shape longer than its field is written as asterisks instead.
struct RealShape {
  bool sign;                    // a "-" just left of the other characters shown
  bool zero_before_point;       // the "0" that stands for no integer digit
  std::int64_t integer_digits;  // digits of the value left of the point
  std::int64_t shown;           // characters right of the sign: digits, "0", point, decimals

  // Characters shown, sign included; blanks fill the rest of the field.
  constexpr std::int64_t length() const { return (sign ? 1 : 0) + shown; }
};

constexpr RealShape real_shape(std::int64_t n, std::int64_t w, std::int64_t d, bool negative) {
  // r, the columns left of the point, always sets one aside for a sign.
  const std::int64_t r = w - (negative ? 1 : 0) - d - 1;
  RealShape shape{};
  if (n + d >= 1) {
    shape.sign = negative;
    shape.integer_digits = n > 0 ? n : 0;
    shape.zero_before_point = n < 1 && r >= 1;
    shape.shown = (n > 0 ? n : (r >= 1 ? 1 : 0)) + d + 1;
  } else {
    // Shows as zero: a nonzero negative value that rounds away loses its
    // sign, but r still sets a column aside for it, so in a field of d + 2
    // columns a negative value loses its "0" instead (" .000" in F5.3).
    // Without decimals no digit of the value is shown at all, and "0."
    // needs only its two columns.
    shape.sign = false;
    shape.integer_digits = 0;
    shape.zero_before_point = d == 0 ? w >= 2 : r >= 1;
    shape.shown = (shape.zero_before_point ? 1 : 0) + d + 1;
  }
  return shape;
}

// The shape of a value shown_digits took: it shows a digit (n + d is at
// least 1), which spares the field runs the test for a zero.
inline RealShape shown_shape(const ShownDigits& digits, std::int64_t w, std::int64_t d,
                             bool negative) {
  if (digits.exponent + d < 1) __builtin_unreachable();
  return real_shape(digits.exponent, w, d, negative);
}

}  // namespace recordio
