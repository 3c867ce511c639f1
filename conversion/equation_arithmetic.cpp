// equation_arithmetic.cpp - the equation, its correction and the derived
// mass excesses.
#include "conversion/equation_arithmetic.h"

#include <cmath>

#include "conversion/constants.h"

namespace conversion {

namespace {

constexpr double million = 1.0e6;

// When both operands are NaN the processor passes on the first one it is
// given, and for a commutative operation the compiler picks which that is:
// the sign printed ("NaN" or "-NaN") would then depend on the build. These
// pass on the left operand as written. `a + a` quiets a NaN the way the
// operation itself would.
double add(double a, double b) { return std::isnan(a) ? a + a : a + b; }
double multiply(double a, double b) { return std::isnan(a) ? a + a : a * b; }

}  // namespace

// NaN compares unequal to zero, but a NaN energy is as good as none.
bool energy_found(double energy) { return energy != 0.0 && !std::isnan(energy); }

double nearest(double x) { return std::copysign(std::trunc(std::fabs(x) + 0.5), x); }

Equation compute_equation(const ReferenceRecord& reference, const MeasurementRecord& measurement,
                          double energy_ref, double energy_meas) {
  const double A_ref = reference.A_ref;
  const double charge_ref = reference.charge_ref;
  const double A_meas = measurement.A_meas;
  const double charge_meas = measurement.charge_meas;
  Equation e;

  // A non-blank flag marks a ratio given the other way round.
  if (measurement.flag[0] != ' ' || measurement.flag[1] != ' ') {
    e.q = million / measurement.ratio_value;
    e.sigma_q = multiply(e.q * e.q, measurement.sigma_value) / million;
  } else {
    e.q = measurement.ratio_value / million;
    e.sigma_q = measurement.sigma_value / million;
  }

  const double F = (A_meas * 1000.0) / A_ref;
  e.G = nearest(F) / 1000.0;
  const double I = (charge_meas * e.q) / charge_ref;
  const double J = A_meas / A_ref - I;
  e.V = add(multiply(I - e.G, reference.mass_excess_ref),
            (charge_meas * electron_mass) * (1.0 - e.q)) -
        (J * (A_ref * million));
  e.U = (((A_ref * e.sigma_q) * million) * charge_meas) / charge_ref;

  e.correction_applied = energy_found(energy_ref) && energy_found(energy_meas);
  if (e.correction_applied) e.C = (((energy_ref * e.q) * charge_meas) / charge_ref) - energy_meas;
  e.V = add(e.V, e.C);

  e.mass_excess_meas = add(multiply(e.G, reference.mass_excess_ref), e.V);
  const double G_sigma_ref = multiply(e.G, reference.sigma_ref);
  e.sigma_meas = std::sqrt(add(e.U * e.U, G_sigma_ref * G_sigma_ref));
  e.mass_excess_kev = e.mass_excess_meas * kev_per_micro_u;
  e.sigma_kev = e.sigma_meas * kev_per_micro_u;
  return e;
}

}  // namespace conversion
