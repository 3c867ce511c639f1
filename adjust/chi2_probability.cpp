// chi2_probability.cpp - the regularized upper incomplete gamma function, by
// its series below a + 1 and its continued fraction above (the split where
// each converges fastest, as in Numerical Recipes' gammq).
#include "adjust/chi2_probability.h"

#include <cmath>
#include <limits>

namespace adjust {

namespace {

constexpr int most_terms = 10000;
constexpr double tiny = 1.0e-300;
constexpr double epsilon = std::numeric_limits<double>::epsilon();

// e^-x x^a / Gamma(a), the factor both expansions share, taken through its
// logarithm so that neither the power nor the gamma function overflows.
double prefactor(double a, double x) { return std::exp(-x + a * std::log(x) - std::lgamma(a)); }

// P(a, x) = prefactor * sum x^n / (a (a+1) ... (a+n)).
double lower_by_series(double a, double x) {
  double term = 1.0 / a;
  double sum = term;
  for (int n = 1; n < most_terms; ++n) {
    term *= x / (a + n);
    sum += term;
    if (std::fabs(term) < std::fabs(sum) * epsilon) break;
  }
  return sum * prefactor(a, x);
}

// Q(a, x) by the continued fraction 1/(x+1-a- 1(1-a)/(x+3-a- 2(2-a)/(x+5-a- ...))),
// evaluated by the modified Lentz method.
double upper_by_fraction(double a, double x) {
  double b = x + 1.0 - a;
  double c = 1.0 / tiny;
  double d = 1.0 / b;
  double h = d;
  for (int n = 1; n < most_terms; ++n) {
    const double an = -n * (n - a);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < tiny) d = tiny;
    c = b + an / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1.0 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1.0) < epsilon) break;
  }
  return h * prefactor(a, x);
}

}  // namespace

double chi2_exceeded(double x, int k) {
  if (k < 1 || std::isnan(x)) return std::numeric_limits<double>::quiet_NaN();
  if (x <= 0.0) return 1.0;
  if (std::isinf(x)) return 0.0;
  const double a = 0.5 * k;
  const double half = 0.5 * x;
  return half < a + 1.0 ? 1.0 - lower_by_series(a, half) : upper_by_fraction(a, half);
}

}  // namespace adjust
