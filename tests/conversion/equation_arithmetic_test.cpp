// equation_arithmetic_test.cpp - the order of operations, the rounding of G
// and the handling of missing energies and degenerate input.
#include "conversion/equation_arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using conversion::compute_equation;
using conversion::Equation;
using conversion::MeasurementRecord;
using conversion::nearest;
using conversion::ReferenceRecord;

ReferenceRecord rb85() {
  ReferenceRecord r;
  r.A_ref = 85;
  r.symbol_ref = {'R', 'b', ' ', ' '};
  r.charge_ref = 1;
  r.mass_excess_ref = -88210.35;
  r.sigma_ref = 0.005;
  return r;
}

MeasurementRecord cs133() {
  MeasurementRecord m;
  m.A_meas = 133;
  m.symbol_meas = {'C', 's', ' ', ' '};
  m.charge_meas = 1;
  m.ratio_value = 1565221.53684744;
  m.sigma_value = 0.00012;
  return m;
}

TEST(Nearest, HalvesAwayFromZeroAndSignKept) {
  struct Case {
    double x, expected;
  };
  for (const Case& c :
       {Case{0.5, 1.0}, Case{-0.5, -1.0}, Case{1.4999999999999998, 1.0}, Case{2.5, 3.0},
        Case{1564.7058823529412, 1565.0}, Case{-0.25, -0.0}, Case{0.49999999999999994, 1.0}}) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(nearest(c.x), c.expected);
    EXPECT_EQ(std::signbit(nearest(c.x)), std::signbit(c.expected));
  }
  // 0.49999999999999994 + 0.5 rounds up to 1 in double: the sum is rounded
  // before the truncation, so this is 1, as the files have always shown.
}

TEST(MassNumberRatio, RoundedToThreeDecimals) {
  struct Case {
    std::int32_t A_meas, A_ref;
    double G;
    bool negative;
  };
  for (const Case& c : {Case{133, 85, 1.565, false}, Case{85, 85, 1.0, false},
                        Case{1, 2000, 0.001, false}, Case{-1, 4000, -0.0, true}}) {
    ReferenceRecord r = rb85();
    r.A_ref = c.A_ref;
    MeasurementRecord m = cs133();
    m.A_meas = c.A_meas;
    const Equation e = compute_equation(r, m, 0.0, 0.0);
    EXPECT_EQ(e.G, c.G) << c.A_meas << "/" << c.A_ref;
    EXPECT_EQ(std::signbit(e.G), c.negative);
  }
}

TEST(RatioConversion, BothFlagConventions) {
  MeasurementRecord m = cs133();
  m.ratio_value = 1e6;
  EXPECT_EQ(compute_equation(rb85(), m, 0, 0).q, 1.0);
  m.ratio_value = 2e6;
  m.sigma_value = 8.0;
  m.flag = {' ', 'I'};
  const Equation e = compute_equation(rb85(), m, 0, 0);
  EXPECT_EQ(e.q, 0.5);
  EXPECT_EQ(e.sigma_q, 8.0 / 4 / 1e6);
  m.flag = {'I', ' '};
  EXPECT_EQ(compute_equation(rb85(), m, 0, 0).q, 0.5) << "a flag in either column counts";
}

// The worked example: the correction C of about 0.00284 micro-u enters V
// only when both energies are there.
TEST(Correction, NeedsBothEnergies) {
  const double rb = 4.177 * 0.001 / 0.9314940038;
  const double cs = 3.894 * 0.001 / 0.9314940038;
  const Equation with = compute_equation(rb85(), cs133(), rb, cs);
  const Equation without = compute_equation(rb85(), cs133(), 0.0, 0.0);
  EXPECT_TRUE(with.correction_applied);
  EXPECT_FALSE(without.correction_applied);
  EXPECT_NEAR(with.V - without.V, 0.00284, 0.00001);
  EXPECT_NEAR(with.V, 43501.02385, 0.000006);
  EXPECT_NEAR(with.U, 0.0102, 1e-8);
  EXPECT_NEAR(with.mass_excess_meas, -94548.173901, 0.0000006);
  for (double missing : {0.0, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_FALSE(compute_equation(rb85(), cs133(), rb, missing).correction_applied);
    EXPECT_FALSE(compute_equation(rb85(), cs133(), missing, cs).correction_applied);
    EXPECT_EQ(compute_equation(rb85(), cs133(), missing, cs).V, without.V)
        << "one missing energy drops the whole correction";
  }
}

// Equal charges and q = 1: the electron term vanishes, and V is the plain
// mass-number difference scaled from the reference.
TEST(Equation, UnitRatioEqualCharges) {
  MeasurementRecord m = cs133();
  m.A_meas = 85;
  m.ratio_value = 1e6;
  const Equation e = compute_equation(rb85(), m, 0, 0);
  EXPECT_EQ(e.G, 1.0);
  EXPECT_EQ(e.V, 0.0);
  EXPECT_EQ(e.mass_excess_meas, -88210.35);
}

// Nothing is tested on input: a blank reference line or a zero ratio with
// the inverse flag flows through as infinities and NaNs.
TEST(Equation, DegenerateInputGivesInfinitiesAndNaNs) {
  ReferenceRecord blank;
  const Equation e = compute_equation(blank, cs133(), 0, 0);
  EXPECT_TRUE(std::isinf(e.G));
  EXPECT_TRUE(std::isnan(e.V) || std::isinf(e.V));
  MeasurementRecord zero = cs133();
  zero.ratio_value = 0.0;
  zero.flag = {'I', ' '};
  EXPECT_TRUE(std::isinf(compute_equation(rb85(), zero, 0, 0).q));
}

}  // namespace
