// power_of_ten.h - 10^n as both decimal conversions build it.
#pragma once

#include <cstdint>

namespace recordio {

// 10^n by repeated squaring in double precision, each product rounded:
// exact up to 10^22, beyond that the order of the products decides the
// double, and infinity past the range. Gives 1 for n <= 0. Reading and
// writing must use this same sequence, or a value written and read back
// would drift.
double power_of_ten(std::int64_t n);

}  // namespace recordio
