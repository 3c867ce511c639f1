// power_of_ten.cpp - powers of ten by repeated squaring.
#include "recordio/power_of_ten.h"

namespace recordio {

double power_of_ten(std::int64_t n) {
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

}  // namespace recordio
