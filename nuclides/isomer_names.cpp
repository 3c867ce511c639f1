// isomer_names.cpp - between the symbol field's isomer letter, the table's
// rows, and the ways isomers are written elsewhere.
#include "nuclides/isomer_names.h"

#include "conversion/binding_energy_table.h"
#include "nuclides/symbols.h"

namespace nuclides {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }

// The letters the converter drops from the third character.
constexpr std::string_view program_letters = "mnx";

// An element symbol at the front of `text`: two letters when they make
// one, else one. Empty when there is none.
std::string_view leading_element(std::string_view text) {
  if (text.empty() || !is_upper(text[0])) return {};
  if (text.size() > 1 && is_lower(text[1]) && is_element(text.substr(0, 2)))
    return text.substr(0, 2);
  if (is_element(text.substr(0, 1))) return text.substr(0, 1);
  return {};
}

std::string_view leading_digits(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && is_digit(text[n])) ++n;
  return text.substr(0, n);
}

// The table's letter for an isomer mark as written: m, m1 (the first), n,
// m2 (the second); nothing for any other mark (the third isomer on has no
// letter the converter drops). An empty mark is the
// ground state.
std::optional<char> letter_of_mark(std::string_view mark) {
  if (mark.empty()) return ' ';
  if (mark == "m" || mark == "m1") return 'm';
  if (mark == "n" || mark == "m2") return 'n';
  return std::nullopt;
}

}  // namespace

std::optional<StateName> state_of_symbol(std::string_view symbol) {
  if (symbol.size() > 4) return std::nullopt;
  conversion::Symbol field = {' ', ' ', ' ', ' '};
  for (std::size_t n = 0; n < symbol.size(); ++n) field[n] = symbol[n];
  const conversion::Symbol looked_up = conversion::normalised_symbol(field);
  const std::string element = without_trailing_blanks({looked_up.data(), looked_up.size()});
  if (!is_element(element)) return std::nullopt;
  StateName state{element, ' '};
  if (looked_up != field) state.letter = field[2];
  // "Csm" and "Cs m" are not the same field: the converter's lookup keeps
  // the latter whole, and finds nothing.
  if (without_trailing_blanks(symbol) != symbol_of_state(state)) return std::nullopt;
  return state;
}

std::string symbol_of_state(const StateName& state) {
  if (state.letter == ' ') return state.element;
  if (program_letters.find(state.letter) == std::string_view::npos || state.element.empty() ||
      state.element.size() > 2)
    return {};
  return state.element + (state.element.size() == 1 ? "x" : "") + state.letter;
}

std::optional<std::string> conventional_spelling(std::string_view written) {
  while (!written.empty() && written.back() == ' ') written.remove_suffix(1);
  while (!written.empty() && written.front() == ' ') written.remove_prefix(1);
  std::string_view A;
  std::string_view element;
  std::string_view mark;
  std::string_view rest = written;
  if (!(A = leading_digits(rest)).empty()) {
    rest.remove_prefix(A.size());
    if (!rest.empty() && is_lower(rest[0])) {
      // 134mCs, 178m2Hf, 38mK: the mark before the element.
      std::size_t end = 1;
      while (end < rest.size() && is_digit(rest[end])) ++end;
      mark = rest.substr(0, end);
      rest.remove_prefix(end);
      element = leading_element(rest);
      rest.remove_prefix(element.size());
      if (!rest.empty()) return std::nullopt;
    } else {
      // 38Km, 178Hfm2, 38Kxm, 134Cs-m.
      element = leading_element(rest);
      rest.remove_prefix(element.size());
      if (!rest.empty() && (rest[0] == '-' || rest[0] == '_')) rest.remove_prefix(1);
      if (element.size() == 1 && rest.size() > 1 && rest[0] == 'x') rest.remove_prefix(1);
      mark = rest;
    }
  } else {
    // Cs134m, Hf-178m2.
    element = leading_element(rest);
    rest.remove_prefix(element.size());
    if (!rest.empty() && (rest[0] == '-' || rest[0] == '_')) rest.remove_prefix(1);
    A = leading_digits(rest);
    rest.remove_prefix(A.size());
    mark = rest;
  }
  if (A.empty() || element.empty() || A.size() > 3 || A[0] == '0') return std::nullopt;
  const std::optional<char> letter = letter_of_mark(mark);
  if (!letter || *letter == ' ') return std::nullopt;
  const std::string symbol = symbol_of_state({std::string(element), *letter});
  const std::string spelling = std::string(A) + symbol;
  if (symbol.empty() || spelling == written) return std::nullopt;
  return spelling;
}

}  // namespace nuclides
