// decimal_conversion.h - decimal text to double, as every real read does it.
//
// Not a correctly rounded parser, on purpose: the digits go into a 64-bit
// mantissa that stops taking digits once it is near full, the mantissa is
// cut (not rounded) to 53 bits, and one multiplication or division by a
// power of ten built by repeated squaring scales it. Files that were
// converted before must give the same doubles, so these steps are kept.
#pragma once

#include <cstdint>
#include <string_view>

namespace recordio {

// The value of `text` (leading blanks skipped, optional sign, "I"/"i" for
// infinity and "N"/"n" for not-a-number, digits, fraction, exponent led by
// E, D, a sign or nothing). Stops at the first character that does not
// continue the number; never fails. A value too large for a double is
// infinity and one too small is zero; a zero mantissa gives zero whatever
// the exponent. A negative sign on a zero value gives negative zero.
double convert_decimal(std::string_view text);

// The last steps of the conversion, for a reader that has already taken
// the digits apart: `mantissa` cut to its 53 most significant bits, then
// multiplied by 10^exponent (divided, for a negative exponent) with the
// power of ten of the conversion. A zero mantissa gives zero.
double scaled_mantissa(std::uint64_t mantissa, std::int64_t exponent);

}  // namespace recordio
