// symbols_test.cpp - element symbols found by their letters in one step, and
// formulas told from symbols before they are parsed: both against the plain
// reading of every symbol they could be asked about.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "nuclides/symbols.h"

namespace {

const std::vector<std::string> elements = {
    "n",  "H",  "D",  "T",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al",
    "Si", "P",  "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu",
    "Zn", "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru", "Rh",
    "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr", "Nd", "Pm",
    "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",  "Re", "Os", "Ir",
    "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Th", "Pa", "U",  "Np",
    "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf", "Db", "Sg", "Bh", "Hs", "Mt",
    "Ds", "Rg", "Cn", "Nh", "Fl", "Mc", "Lv", "Ts", "Og"};

// Every string of one or two bytes, NUL and bytes above 127 among them.
TEST(ElementSymbols, EveryShortStringIsAnElementExactlyWhenListed) {
  for (int first = 0; first < 256; ++first) {
    for (int second = -1; second < 256; ++second) {
      std::string text(1, static_cast<char>(first));
      if (second >= 0) text += static_cast<char>(second);
      const bool listed = std::find(elements.begin(), elements.end(), text) != elements.end();
      ASSERT_EQ(nuclides::is_element(text), listed) << first << " " << second;
    }
  }
  EXPECT_FALSE(nuclides::is_element(""));
  EXPECT_FALSE(nuclides::is_element("Csm"));
  EXPECT_FALSE(nuclides::is_element("He "));
  const std::pair<const char*, int> numbers[] = {{"n", 0},  {"H", 1},   {"D", 1},    {"T", 1},
                                                 {"He", 2}, {"Cs", 55}, {"Og", 118}, {"Xx", -1}};
  for (const auto& [symbol, number] : numbers) EXPECT_EQ(nuclides::atomic_number(symbol), number);
}

TEST(Formulas, AtomsOfFormulasAndNoneOfSymbols) {
  const std::pair<const char*, std::vector<std::pair<std::string, int>>> cases[] = {
      {"CO", {{"C", 1}, {"O", 1}}},
      {"H2", {{"H", 2}}},
      {"D2", {{"H", 2}}},
      {"CH4", {{"C", 1}, {"H", 4}}},
      {"CsF", {{"Cs", 1}, {"F", 1}}},
      {"Cs", {}},
      {"Csm", {}},
      {"Kxm", {}},
      {"C", {}},
      {"C1", {}},
      {"H0", {}},
      {"Xx2", {}},
  };
  for (const auto& [text, want] : cases) {
    std::vector<std::pair<std::string, int>> got;
    for (const nuclides::Atoms& atoms : nuclides::formula_atoms(text))
      got.emplace_back(atoms.element, atoms.count);
    EXPECT_EQ(got, want) << text;
  }
}

}  // namespace
