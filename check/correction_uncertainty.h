// correction_uncertainty.h - what the binding energies' own uncertainty
// costs an equation.
//
// The equation's U comes from the ratio alone, but the correction
// C = E_ref x q x charge_meas / charge_ref - E_meas is only as good as the
// binding energies in it. For highly charged heavy ions their tabulated
// totals are uncertain by hundreds of eV, about a micro-u: more than a
// modern ratio's U, so such a measurement needs an ion-specific calculation.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "conversion/equation_arithmetic.h"
#include "nuclides/binding_energy_data.h"

namespace check {

// The standard uncertainty in micro-u of the correction `equation.C` from
// the shipped uncertainties of the two ions' totals; none when the
// correction was not made or the data lacks an ion (a molecule, say).
// Two ions of one element share the electrons of the lower charge, so their
// totals are not independent: the shared part enters once, with its net
// coefficient.
//
// A row of "ionization.data" may give its total's uncertainty as a fifth
// value (`given`, eV, by the row's symbol bytes and charge): a calculated
// total for this very ion, which then replaces the shipped uncertainty.
// Two such values are taken as independent; `from_rows` (when not null) is
// set when either was used.
using GivenUncertainties = std::map<std::pair<std::uint32_t, std::int32_t>, double>;
std::optional<double> correction_uncertainty(const nuclides::BindingEnergyData& data,
                                             const GivenUncertainties& given,
                                             const conversion::ReferenceRecord& reference,
                                             const conversion::MeasurementRecord& measurement,
                                             const conversion::Equation& equation,
                                             bool* from_rows = nullptr);

// True when the correction's uncertainty `sigma` exceeds a third of the
// equation's U: then it adds at least 5 % to the combined uncertainty and
// the equation's U understates what is known.
bool correction_uncertainty_matters(double sigma, double U);

}  // namespace check
