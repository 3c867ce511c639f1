// excitation_energy.h - an isomer's excitation energy from the frequency
// ratios of the isomer and its ground state against one reference.
//
// With both ions in one charge state q, each ratio is m_ion / q over the
// reference's m_ion / q, so their quotient is m_ion(isomer) / m_ion(ground):
// the reference, the electrons and their binding energies cancel, and
//   E* = (R_isomer / R_ground - 1) x m_ion(ground) c^2
// carries only the two ratios' uncertainties (the ion's mass enters as a
// factor of a number a millionth of it and needs no precision).
#pragma once

namespace nuclides {

struct Excitation {
  double value = 0.0;        // keV
  double uncertainty = 0.0;  // keV
};

// `isomer_ratio` and `ground_ratio` are the two ratios of mass over charge
// to the same reference (as written, turned round where the flag says so),
// with their uncertainties; `ground_ion_mass` is the ground state ion's mass
// in micro-u. The ratios' uncertainties are taken as independent.
Excitation excitation_from_ratios(double isomer_ratio, double isomer_sigma, double ground_ratio,
                                  double ground_sigma, double ground_ion_mass);

}  // namespace nuclides
