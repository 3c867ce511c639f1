// nuclide.h - a nuclide as equations name it: mass number and symbol.
//
// The symbol is taken as written, trailing blanks dropped, so an isomer
// ("Csm") or a molecule ("C6H6") is a nuclide of its own. Nuclides sort by
// mass number, then symbol, which is the order every listing uses.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace nuclides {

struct Nuclide {
  std::int32_t A = 0;
  std::string symbol;

  std::string name() const { return std::to_string(A) + symbol; }
  auto operator<=>(const Nuclide&) const = default;
  bool operator==(const Nuclide&) const = default;
};

// The unit is a twelfth of the mass of 12C: its mass excess is 0 exactly.
inline bool is_carbon_12(const Nuclide& nuclide) {
  return nuclide.A == 12 && nuclide.symbol == "C";
}

}  // namespace nuclides
