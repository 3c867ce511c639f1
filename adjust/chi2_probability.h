// chi2_probability.h - the probability that chi2 exceeds what was found.
//
// P(chi2 > x) for k degrees of freedom is the regularized upper incomplete
// gamma function Q(k/2, x/2). It says how often consistent data scatter as
// much as these; the Birge ratio beside it says by how much.
#pragma once

namespace adjust {

// Q(k/2, x/2) for k >= 1 and x >= 0, to about 1e-14 relative; 1 for x = 0.
// A NaN for k < 1 or x not a number.
double chi2_exceeded(double x, int k);

}  // namespace adjust
