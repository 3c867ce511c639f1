// chi2_probability_test.cpp - P(chi2 > x) against its closed forms.
#include "adjust/chi2_probability.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ClosedForm {
  int k;
  double (*exact)(double);
};

// For 1, 2 and 4 degrees of freedom the upper incomplete gamma function has
// closed forms; both of its expansions (the series below k/2 + 1, the
// continued fraction above) are held to them over x from 1e-3 to 200.
TEST(Chi2Probability, MatchesClosedFormsOnBothSidesOfTheSplit) {
  const ClosedForm forms[] = {
      {1, [](double x) { return std::erfc(std::sqrt(x / 2.0)); }},
      {2, [](double x) { return std::exp(-x / 2.0); }},
      {4, [](double x) { return std::exp(-x / 2.0) * (1.0 + x / 2.0); }},
  };
  for (const ClosedForm& form : forms) {
    for (double x = 1e-3; x < 200.0; x *= 1.37) {
      const double exact = form.exact(x);
      EXPECT_NEAR(adjust::chi2_exceeded(x, form.k), exact, 1e-13 + 1e-12 * exact)
          << form.k << " " << x;
    }
  }
}

TEST(Chi2Probability, EdgesAndKnownQuantiles) {
  EXPECT_EQ(adjust::chi2_exceeded(0.0, 3), 1.0);
  EXPECT_EQ(adjust::chi2_exceeded(INFINITY, 3), 0.0);
  EXPECT_TRUE(std::isnan(adjust::chi2_exceeded(1.0, 0)));
  EXPECT_TRUE(std::isnan(adjust::chi2_exceeded(NAN, 2)));
  // The 5 % points of the chi2 tables.
  EXPECT_NEAR(adjust::chi2_exceeded(3.841458820694124, 1), 0.05, 1e-12);
  EXPECT_NEAR(adjust::chi2_exceeded(18.307038053275146, 10), 0.05, 1e-12);
  EXPECT_NEAR(adjust::chi2_exceeded(124.34211340400407, 100), 0.05, 1e-11);
}

}  // namespace
