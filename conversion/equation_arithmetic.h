// equation_arithmetic.h - from a measured ratio to an equation between
// mass excesses, and to the measured nuclide's mass excess.
//
// With ME the mass excess (atomic mass = A * 10^6 + ME, in micro-u) the
// equation reads ME(measured) - G * ME(reference) = V +/- U. Every step is
// one IEEE double operation in the order written: the printed digits of
// stored equation files depend on that order.
#pragma once

#include <array>
#include <cstdint>

namespace conversion {

struct ReferenceRecord {
  std::int32_t A_ref = 0;
  std::array<char, 4> symbol_ref = {' ', ' ', ' ', ' '};
  std::int32_t charge_ref = 0;
  double mass_excess_ref = 0.0;  // micro-u
  double sigma_ref = 0.0;        // micro-u
};

struct MeasurementRecord {
  std::int32_t A_meas = 0;
  std::array<char, 4> symbol_meas = {' ', ' ', ' ', ' '};
  std::int32_t charge_meas = 0;
  double ratio_value = 0.0;  // ratio x 10^6
  std::array<char, 2> flag = {' ', ' '};
  double sigma_value = 0.0;
};

struct Equation {
  double q = 0.0;
  double sigma_q = 0.0;
  double G = 0.0;                   // mass-number ratio rounded to three decimals
  double V = 0.0;                   // micro-u, binding-energy correction included
  double U = 0.0;                   // micro-u
  bool correction_applied = false;  // false: an energy was missing
  double C = 0.0;                   // micro-u: the binding-energy correction included in V
  double mass_excess_meas = 0.0;
  double sigma_meas = 0.0;
  double mass_excess_kev = 0.0;
  double sigma_kev = 0.0;
};

// sign(x) * truncate(|x| + 0.5): halves away from zero, the sign of x kept
// (so -0.3 gives -0.0).
double nearest(double x);

// A binding energy of 0 or NaN is no energy: the correction needs both.
bool energy_found(double energy);

// The whole equation group of one measurement. `energy_ref` and
// `energy_meas` are the binding energies in micro-u, 0.0 when missing.
Equation compute_equation(const ReferenceRecord& reference, const MeasurementRecord& measurement,
                          double energy_ref, double energy_meas);

}  // namespace conversion
