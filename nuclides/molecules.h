// molecules.h - the isotopes a molecular ion is made of.
//
// A molecule names its elements, not its isotopes: 28CO is 12C16O. The
// isotopes are chosen as the combination whose mass numbers add up to the
// molecule's and whose table values have the smallest combined uncertainty,
// which picks the stable isotopes molecules are made of. The checker
// compares a molecule with the sum of the same atoms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "nuclides/mass_table.h"
#include "nuclides/symbols.h"

namespace nuclides {

struct Isotope {
  std::int32_t A = 0;
  std::string element;
  int count = 1;  // atoms of it in the molecule
};

// The isotopes of `atoms` (as formula_atoms gives them) whose mass numbers
// add up to `A`, each with its count, in the order of the formula; nothing
// when no isotopes of the table add up to `A` or the formula holds more
// than 24 atoms.
std::optional<std::vector<Isotope>> molecule_isotopes(const std::vector<Atoms>& atoms,
                                                      std::int32_t A, const MassTable& table);

}  // namespace nuclides
