// symbols.h - what the 4 characters of a symbol field name.
//
// The converter compares symbols byte for byte after dropping an isomer
// letter; it never asks whether a symbol names anything. A symbol that is
// no element and no molecule (a blank in front, a wrong case, a slip of the
// column) finds no binding energy and no table mass.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "conversion/binding_energy_table.h"

namespace nuclides {

enum class SymbolKind { element, isomer, molecule, blank, unknown };

struct SymbolMeaning {
  SymbolKind kind = SymbolKind::unknown;
  std::string element;    // element (D and T as H), for element and isomer
  std::string text;       // the symbol without trailing blanks
  std::string looked_up;  // as the table lookup compares it, trailing blanks dropped
};

SymbolMeaning classify_symbol(const conversion::Symbol& symbol);

// True for an element symbol as the periodic table writes it, and for n,
// D and T.
bool is_element(std::string_view symbol);

// The atomic number of an element symbol (n 0, H, D and T 1); -1 for a
// symbol that is no element.
int atomic_number(std::string_view symbol);

// One element of a molecular formula and how many of its atoms it holds
// (D and T as H).
struct Atoms {
  std::string element;
  int count = 1;
};

// The atoms of a formula of element symbols each with an optional count
// (CO, H2, CH4) holding at least two atoms; empty when `text` is no such
// formula.
std::vector<Atoms> formula_atoms(std::string_view text);

// A blank-padded field as it is named in a message: its trailing blanks
// dropped.
std::string without_trailing_blanks(std::string_view text);

}  // namespace nuclides
