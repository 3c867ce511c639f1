// isomer_names.h - the programs' names of isomers and the table's rows.
//
// The programs name an isomer by a letter in the third character of the
// symbol field, after an "x" for a one-letter element: "134Csm", "38Kxm",
// "178Hfn". The converter drops that letter (m, n or x) to find the
// binding energies. The nuclear-properties table names the same states by
// a letter in its column 17: m the first isomer, n the second, then p, q,
// r, x; its "178Hfn" is the "178m2Hf" of the literature. The letters are
// the same on both sides; only where they are written differs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nuclides {

struct StateName {
  std::string element;
  char letter = ' ';  // the table's letter; blank for a ground state
};

// The state a symbol names in the programs' convention: "Csm" the m state
// of Cs, "Kxm" that of K, "Cs" the ground state of Cs. Nothing for a
// symbol that names no element this way. Agrees with the converter's
// lookup, which drops the same letter.
std::optional<StateName> state_of_symbol(std::string_view symbol);

// The symbol of `state` in the programs' convention ("Csm", "Kxm", "Cs"):
// empty when the converter could not find its binding energies, for a
// letter other than m, n and x.
std::string symbol_of_state(const StateName& state);

// The conventional spelling of a nuclide written in another common way:
// "38Km" (38Kxm), "134mCs" and "Cs134m" (134Csm), "178m2Hf" and "178Hfm2"
// (178Hfn), "38mK" (38Kxm). Nothing when `written` is spelled the
// conventional way already, or names no isomer (m, m1, n or m2) of an
// element.
std::optional<std::string> conventional_spelling(std::string_view written);

}  // namespace nuclides
