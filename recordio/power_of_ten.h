// power_of_ten.h - 10^n as both decimal conversions use it: as the double
// they build by squaring, and as a 64-bit integer.
#pragma once

#include <array>
#include <cstddef>
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
  for (int n = 0; n < tabled_powers_of_ten; ++n)
    table[static_cast<std::size_t>(n)] = squared_power_of_ten(n);
  return table;
}();

// 10^0 to 10^19, every power of ten an unsigned 64-bit integer holds: the
// scale of a run of decimal digits, read or written as one integer.
inline constexpr std::array<std::uint64_t, 20> decimal_powers = [] {
  std::array<std::uint64_t, 20> powers{};
  std::uint64_t power = 1;
  for (std::size_t n = 0; n < powers.size(); ++n) {
    powers[n] = power;
    if (n + 1 < powers.size()) power *= 10;
  }
  return powers;
}();

// squared_power_of_ten(n), from the table where it reaches.
inline double power_of_ten(std::int64_t n) {
  if (n <= 0) return 1.0;
  if (n < tabled_powers_of_ten) return power_of_ten_table[static_cast<std::size_t>(n)];
  return squared_power_of_ten(n);
}

}  // namespace recordio
