// power_of_ten.h - 10^n as both decimal conversions build it.
#pragma once

#include <array>
#include <cstdint>

namespace recordio {

// 10^n by repeated squaring in double precision, each product rounded:
// exact up to 10^22, beyond that the order of the products decides the
// double, and infinity past the range. Gives 1 for n <= 0. Reading and
// writing must use this same sequence, or a value written and read back
// would drift.
constexpr double squared_power_of_ten(std::int64_t n) {
  if (n <= 0) return 1.0;
  double y = 1.0;
  double x = 10.0;
  // Once x overflows it stays infinity and so does every product with it;
  // no zero ever enters, so no not-a-number can arise.
  while (n >= 2) {
    if (n % 2 != 0) y = x * y;
    n /= 2;
    x = x * x;
  }
  return x * y;
}

// The powers every finite double can need, worked out once by the same
// squaring (the compiler rounds each product to nearest as the processor
// does, and a test holds the two to the same bits); from 10^309 on every
// power is infinity.
inline constexpr int tabled_powers_of_ten = 309;
inline constexpr std::array<double, tabled_powers_of_ten> power_of_ten_table = [] {
  std::array<double, tabled_powers_of_ten> table{};
  for (int n = 0; n < tabled_powers_of_ten; ++n) table[static_cast<std::size_t>(n)] = squared_power_of_ten(n);
  return table;
}();

// squared_power_of_ten(n), from the table where it reaches.
inline double power_of_ten(std::int64_t n) {
  if (n <= 0) return 1.0;
  if (n < tabled_powers_of_ten) return power_of_ten_table[static_cast<std::size_t>(n)];
  return squared_power_of_ten(n);
}

}  // namespace recordio
