// state_mass.h - the tables' mass excess of a ground state or an isomer.
//
// The mass table holds ground states only. An isomer's value is its ground
// state's plus the nuclear-properties table's excitation energy, their
// uncertainties in quadrature: the two come from separate measurements
// (the excitation energy mostly from gamma spectroscopy), so an isomer can
// anchor an adjustment and be compared like any nuclide.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "nuclides/isomer_names.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"

namespace nuclides {

// The table value of `state` with mass number `A`, in micro-u, or nothing
// with the reason in `why_not` ("no excitation energy of 134Csm in
// nubase2020.mas20.txt"). `properties` may be null (no table of nuclear
// properties): an isomer then has no value. The excitation energy is turned
// into micro-u by the mass table's own keV per micro-u when it gives one.
std::optional<TableMass> state_table_mass(const MassTable& masses, const NubaseTable* properties,
                                          std::int32_t A, const StateName& state,
                                          std::string& why_not);

}  // namespace nuclides
