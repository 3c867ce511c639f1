// binding_row_energy.h - whether the energy of a row of "ionization.data" is
// the total binding energy of its ion, and which slip it is when not.
//
// A row must hold the sum of the first q ionisation energies in eV. The
// converter takes any number: the q-th energy alone, a value in keV or the
// total for another charge all give equations that look right.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "check/finding.h"
#include "conversion/binding_energy_table.h"
#include "nuclides/binding_energy_data.h"

namespace check {

// Half a unit of the last digit written in `number` ("4.177" -> 0.0005,
// "1.2E3" -> 50): how far the written value may be from the one it rounds.
double half_unit_of_last_digit(std::string_view number);

// How far a value written as `written` may be from a shipped one of
// standard uncertainty `uncertainty` and still be that value: two standard
// uncertainties (a value from another edition of the data or another
// compilation lies within them about 19 times in 20), plus the rounding of
// the digits written.
double row_tolerance(double uncertainty, std::string_view written);

// What is wrong with the row of `symbol` and charge `q` whose energy reads
// `energy_ev` from the text `written`, found at `column` of `place`; none
// when the row is plausible. An element in the data is compared with its
// total; a molecule or a symbol the data does not know is held to the lower
// bound only.
Findings row_energy_findings(const nuclides::BindingEnergyData& data,
                             const conversion::Symbol& symbol, std::int32_t q, double energy_ev,
                             std::string_view written, const LinePlace& place, std::int32_t column);

}  // namespace check
