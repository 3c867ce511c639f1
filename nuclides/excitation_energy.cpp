// excitation_energy.cpp - E* from two ratios in one charge state.
#include "nuclides/excitation_energy.h"

#include <cmath>

#include "conversion/constants.h"

namespace nuclides {

Excitation excitation_from_ratios(double isomer_ratio, double isomer_sigma, double ground_ratio,
                                  double ground_sigma, double ground_ion_mass) {
  const double scale = ground_ion_mass * conversion::kev_per_micro_u;
  // R_m / R_g - 1 as (R_m - R_g) / R_g: the difference of two close ratios
  // is exact, where the quotient's 1 would take six digits of the result.
  const double relative = (isomer_ratio - ground_ratio) / ground_ratio;
  const double d_isomer = isomer_sigma / ground_ratio;
  const double d_ground = ground_sigma * isomer_ratio / (ground_ratio * ground_ratio);
  return {relative * scale, std::hypot(d_isomer, d_ground) * scale};
}

}  // namespace nuclides
