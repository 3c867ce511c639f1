// nubase_table.cpp - reading the nuclear-properties table row by row, with a
// finding for every row that is left out.
#include "nuclides/nubase_table.h"

#include <string_view>

#include "cli/bounded_file.h"
#include "cli/quoting.h"
#include "cli/text_lines.h"
#include "nuclides/fixed_columns.h"
#include "nuclides/symbols.h"

namespace nuclides {

namespace {

// The columns of the 2020 edition's rows, as its header gives them.
struct Columns {
  std::int32_t first;
  std::int32_t last;
};
constexpr Columns mass_number{1, 3};
constexpr Columns atomic_number_columns{5, 7};
constexpr Columns state_digit{8, 8};
constexpr Columns nuclide_name{12, 16};
constexpr Columns state_letter{17, 17};
constexpr Columns mass_excess{19, 31};
constexpr Columns mass_uncertainty{32, 42};
constexpr Columns excitation{43, 54};
constexpr Columns excitation_uncertainty{55, 65};
constexpr std::int32_t order_uncertain_column = 68;
constexpr std::int32_t order_reversed_column = 69;

constexpr std::string_view state_letters = "mnpqrxij";
constexpr std::string_view refuted = "non-exist";

char at_column(std::string_view line, std::int32_t column) {
  const auto at = static_cast<std::size_t>(column - 1);
  return at < line.size() ? line[at] : ' ';
}

// A value and its uncertainty from two fields; an empty optional for two
// blank fields. False (the row unusable) with the column at fault otherwise.
bool energy(std::string_view line, Columns value_at, Columns sigma_at,
            std::optional<TableEnergy>& result, std::int32_t& bad_column, std::string& why) {
  const std::string_view value = column_field(line, value_at.first, value_at.last);
  const std::string_view sigma = column_field(line, sigma_at.first, sigma_at.last);
  result.reset();
  if (value.empty() && sigma.empty()) return true;
  TableEnergy read;
  bool sigma_estimated = false;
  if (!table_number(value, read.value, read.estimated)) {
    bad_column = value_at.first;
    why = "'" + cli::excerpt(value) + "' is not a value in keV";
    return false;
  }
  if (!table_number(sigma, read.uncertainty, sigma_estimated) || read.uncertainty < 0.0) {
    bad_column = sigma_at.first;
    why = sigma.empty() ? std::string("a value without an uncertainty")
                        : "'" + cli::excerpt(sigma) + "' is not an uncertainty in keV";
    return false;
  }
  read.estimated = read.estimated || sigma_estimated;
  result = read;
  return true;
}

}  // namespace

bool NubaseTable::load(const std::string& path, const std::string& shown,
                       cli::Diagnostics& findings, std::string& error) {
  const bool loaded = load(path, error);
  report_left_out(left_out_, shown, findings);
  return loaded;
}

bool NubaseTable::load(const std::string& path, std::string& error) {
  states_.clear();
  left_out_.clear();
  ground_states_ = 0;
  non_existent_ = 0;
  std::string bytes;
  std::string reason;
  if (!cli::read_bounded_file(path, size_limit, bytes, reason)) {
    error = "cannot read " + cli::quoted_name(path) + ": " + reason;
    return false;
  }
  std::string edition;
  cli::TextLines lines(bytes);
  std::string_view line;
  while (lines.next(line)) {
    const std::int64_t line_number = lines.number();
    if (!line.empty() && line.front() == '#') {
      if (edition.empty()) edition = stated_edition(line);
      continue;
    }
    if (line.find_first_not_of(' ') == std::string_view::npos) continue;
    const auto warn = [&](std::int32_t column, std::string why) {
      left_out_.push_back({line_number, column, std::move(why), std::string(line)});
    };
    if (const std::size_t tab = line.find('\t'); tab != std::string_view::npos) {
      warn(static_cast<std::int32_t>(tab) + 1,
           "a tab in a fixed-column row leaves its columns unknown");
      continue;
    }
    NuclearState state;
    state.line = line_number;
    if (!table_integer(column_field(line, mass_number.first, mass_number.last), state.A) ||
        state.A < 1) {
      warn(mass_number.first, "not a row of the table: no mass number in columns 1-3");
      continue;
    }
    const char digit = at_column(line, state_digit.first);
    if (!table_integer(column_field(line, atomic_number_columns.first, atomic_number_columns.last),
                       state.Z) ||
        state.Z < 0 || digit < '0' || digit > '9') {
      warn(atomic_number_columns.first, "no atomic number and state digit in columns 5-8");
      continue;
    }
    std::string_view name = column_field(line, nuclide_name.first, nuclide_name.last);
    const std::string written_A = std::to_string(state.A);
    if (name.substr(0, written_A.size()) != written_A ||
        !is_element(name.substr(written_A.size()))) {
      warn(nuclide_name.first, "'" + cli::excerpt(name) + "' in columns 12-16 is not mass number " +
                                   written_A + " and an element");
      continue;
    }
    state.element = std::string(name.substr(written_A.size()));
    state.letter = at_column(line, state_letter.first);
    const bool ground = digit == '0';
    if (ground ? state.letter != ' ' : state_letters.find(state.letter) == std::string_view::npos) {
      warn(state_letter.first,
           ground ? "a ground state (state digit 0) with a letter in column 17"
                  : "a state other than the ground state without one of the letters " +
                        std::string(state_letters) + " in column 17");
      continue;
    }
    std::int32_t bad_column = 0;
    std::string why;
    if (!energy(line, mass_excess, mass_uncertainty, state.mass_excess, bad_column, why)) {
      warn(bad_column, why);
      continue;
    }
    if (column_field(line, excitation.first, excitation.last) == refuted) {
      state.non_existent = true;
    } else if (!energy(line, excitation, excitation_uncertainty, state.excitation, bad_column,
                       why)) {
      warn(bad_column, why);
      continue;
    }
    if (ground && (state.excitation || state.non_existent)) {
      warn(excitation.first, "a ground state with an excitation energy");
      continue;
    }
    state.order_uncertain = at_column(line, order_uncertain_column) == '*';
    state.order_reversed = at_column(line, order_reversed_column) == '&';
    const auto [place, added] = states_.try_emplace({state.A, state.element, state.letter}, state);
    if (!added) {
      warn(nuclide_name.first,
           written_A + state.element + (ground ? std::string() : std::string(1, state.letter)) +
               " is in the table already, on line " + std::to_string(place->second.line));
      continue;
    }
    if (ground) ++ground_states_;
    if (state.non_existent) ++non_existent_;
  }
  if (states_.empty()) {
    error = cli::quoted_name(path) + ": no usable rows of nuclear states in it";
    return false;
  }
  identity_ = identify_table(path, bytes, edition);
  return true;
}

const NuclearState* NubaseTable::find(std::int32_t A, const std::string& element,
                                      char letter) const {
  const auto found = states_.find({A, element, letter});
  return found == states_.end() ? nullptr : &found->second;
}

}  // namespace nuclides
