// nuclide_label.cpp - the programs' spelling of a nuclide into a reader's.
#include "plot/nuclide_label.h"

#include <cstdlib>
#include <vector>

#include "nuclides/isomer_names.h"
#include "nuclides/symbols.h"

namespace plot {

namespace {

// The table's letters of excited states as papers write them: m the first
// isomer, n the second (m2), p the third (m3) and so on; other letters
// (isobaric analogue states, i and j) as they are.
std::string state_text(char letter) {
  switch (letter) {
    case ' ':
      return {};
    case 'm':
      return "m";
    case 'n':
      return "m2";
    case 'p':
      return "m3";
    case 'q':
      return "m4";
    case 'r':
      return "m5";
    default:
      return std::string(1, letter);
  }
}

std::string raised_digits(const std::string& digits, bool lowered) {
  static const char* const up[] = {"\u2070", "\u00b9", "\u00b2", "\u00b3", "\u2074",
                                   "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
  static const char* const down[] = {"\u2080", "\u2081", "\u2082", "\u2083", "\u2084",
                                     "\u2085", "\u2086", "\u2087", "\u2088", "\u2089"};
  std::string out;
  for (const char c : digits) {
    if (c >= '0' && c <= '9') {
      out += (lowered ? down : up)[c - '0'];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string charge_text(std::int32_t charge) {
  if (charge == 0) return {};
  const std::string sign = charge > 0 ? "+" : "-";
  const long magnitude = std::labs(static_cast<long>(charge));
  return magnitude == 1 ? sign : std::to_string(magnitude) + sign;
}

Label nuclide_label(std::int32_t A, const std::string& symbol, std::int32_t charge) {
  const std::string written = nuclides::without_trailing_blanks(symbol);
  Label label{std::to_string(A), written, charge_text(charge)};
  const auto state = nuclides::state_of_symbol(written);
  if (state && state->letter != ' ') {
    label.before += state_text(state->letter);
    label.text = state->element;
  }
  return label;
}

Label molecule_label(const std::string& isotopes, std::int32_t charge) {
  std::vector<std::string> atoms;
  for (std::size_t at = 0; at <= isotopes.size();) {
    const std::size_t plus = std::min(isotopes.find('+', at), isotopes.size());
    atoms.push_back(isotopes.substr(at, plus - at));
    at = plus + 1;
  }
  std::string formula;
  for (std::size_t i = 0; i < atoms.size();) {
    std::size_t same = i;
    while (same < atoms.size() && atoms[same] == atoms[i]) ++same;
    std::size_t digits = 0;
    while (digits < atoms[i].size() && atoms[i][digits] >= '0' && atoms[i][digits] <= '9') ++digits;
    formula += raised_digits(atoms[i].substr(0, digits), false) + atoms[i].substr(digits);
    if (same - i > 1) formula += raised_digits(std::to_string(same - i), true);
    i = same;
  }
  return {{}, formula, charge_text(charge)};
}

}  // namespace plot
