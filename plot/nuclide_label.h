// nuclide_label.h - a nuclide or an ion labelled as a reader writes it.
//
// The programs spell an isomer with its letter after the symbol ("134Csm",
// "38Kxm", "178Hfn"); a paper writes the state with the mass number,
// raised before the symbol: 134mCs, 38mK, 178m2Hf. A molecule is written by
// its isotopes: 12C16O, 1H2 16O.
#pragma once

#include <cstdint>
#include <string>

#include "plot/figure.h"

namespace plot {

// The label of `A` and `symbol` (programs' spelling, trailing blanks
// allowed) with charge state `charge` (0: none): the mass number raised
// before the element, an isomer's state after the mass number ("134m",
// "178m2"), the charge raised after. A symbol that names no element or
// isomer keeps its spelling after the mass number.
Label nuclide_label(std::int32_t A, const std::string& symbol, std::int32_t charge = 0);

// The label of a molecule from its isotopes as "12C+16O+16O" lists them:
// each isotope's mass number raised, repeated atoms counted by a lowered
// digit (12C16O2), the charge raised after.
Label molecule_label(const std::string& isotopes, std::int32_t charge = 0);

// "+", "2+", "-"; empty for 0.
std::string charge_text(std::int32_t charge);

}  // namespace plot
