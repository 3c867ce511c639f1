// symbols.cpp - elements, isomers and molecular formulas.
#include "nuclides/symbols.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace nuclides {

namespace {

constexpr std::array<std::string_view, 121> element_symbols = {
    "n",  "H",  "D",  "T",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al",
    "Si", "P",  "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu",
    "Zn", "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru", "Rh",
    "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr", "Nd", "Pm",
    "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",  "Re", "Os", "Ir",
    "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Th", "Pa", "U",  "Np",
    "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf", "Db", "Sg", "Bh", "Hs", "Mt",
    "Ds", "Rg", "Cn", "Nh", "Fl", "Mc", "Lv", "Ts", "Og"};

// Every symbol has one or two letters: its place in element_symbols, found
// by its letters in one step (the checker asks a few times for each of a
// million lines); -1 for none.
int element_index(std::string_view symbol) {
  static const std::array<std::int16_t, 128 * 128> places = [] {
    std::array<std::int16_t, 128 * 128> table{};
    table.fill(-1);
    for (std::size_t i = 0; i < element_symbols.size(); ++i) {
      const std::string_view s = element_symbols[i];
      const auto second = static_cast<unsigned char>(s.size() > 1 ? s[1] : 0);
      table[static_cast<unsigned char>(s[0]) * 128u + second] = static_cast<std::int16_t>(i);
    }
    return table;
  }();
  if (symbol.empty() || symbol.size() > 2) return -1;
  const auto first = static_cast<unsigned char>(symbol[0]);
  const auto second = static_cast<unsigned char>(symbol.size() > 1 ? symbol[1] : 0);
  if (first >= 128 || second >= 128 || (second == 0 && symbol.size() > 1)) return -1;
  return places[first * 128u + second];
}

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::vector<Atoms> formula_atoms(std::string_view text) {
  // Two atoms need a second capital or a count: "Cs" and "Csm" are no
  // formula, told without building one (asked for every line).
  if (std::count_if(text.begin(), text.end(), is_upper) < 2 &&
      std::none_of(text.begin(), text.end(), is_digit))
    return {};
  std::vector<Atoms> atoms;
  int total = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    if (!is_upper(text[at])) return {};
    std::size_t end = at + 1;
    if (end < text.size() && is_lower(text[end]) && is_element(text.substr(at, 2))) ++end;
    const std::string_view element = text.substr(at, end - at);
    if (!is_element(element) || element == "n") return {};
    const bool counted = end < text.size() && is_digit(text[end]);
    int count = 0;
    while (end < text.size() && is_digit(text[end])) count = count * 10 + (text[end++] - '0');
    if (counted && count == 0) return {};
    if (!counted) count = 1;
    atoms.push_back(
        {element == "D" || element == "T" ? std::string("H") : std::string(element), count});
    total += count;
    at = end;
  }
  if (total < 2) return {};
  return atoms;
}

std::string without_trailing_blanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

bool is_element(std::string_view symbol) { return element_index(symbol) >= 0; }

int atomic_number(std::string_view symbol) {
  const int at = element_index(symbol);
  if (at < 0) return -1;
  // n, then H, D and T, then He onwards.
  return at == 0 ? 0 : at <= 3 ? 1 : at - 2;
}

SymbolMeaning classify_symbol(const conversion::Symbol& symbol) {
  SymbolMeaning meaning;
  meaning.text = without_trailing_blanks({symbol.data(), symbol.size()});
  const conversion::Symbol looked_up = conversion::normalised_symbol(symbol);
  meaning.looked_up = without_trailing_blanks({looked_up.data(), looked_up.size()});
  if (meaning.text.empty()) {
    meaning.kind = SymbolKind::blank;
  } else if (is_element(meaning.looked_up)) {
    meaning.kind = meaning.looked_up == meaning.text ? SymbolKind::element : SymbolKind::isomer;
    meaning.element =
        meaning.looked_up == "D" || meaning.looked_up == "T" ? "H" : meaning.looked_up;
  } else if (meaning.looked_up == meaning.text && !formula_atoms(meaning.text).empty()) {
    meaning.kind = SymbolKind::molecule;
  }
  return meaning;
}

}  // namespace nuclides
