// sigmas_apart.h - how many standard deviations apart two values lie.
#pragma once

#include <cmath>
#include <limits>

namespace check {

// `difference` over `combined_sigma`, the one way every comparison of the
// checker counts it: equal values are 0 apart whatever their sigma, and
// different values with no uncertainty at all are infinitely far apart
// (with the difference's sign), never NaN.
inline double sigmas_apart(double difference, double combined_sigma) {
  if (difference == 0.0) return 0.0;
  if (combined_sigma == 0.0)
    return std::copysign(std::numeric_limits<double>::infinity(), difference);
  return difference / combined_sigma;
}

}  // namespace check
