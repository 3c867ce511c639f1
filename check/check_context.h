// check_context.h - what every part of a check shares: the two input files
// with the traces of their lines, the findings, and the mass comparison.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check/binding_row_effect.h"
#include "check/finding_report.h"
#include "check/isomer_comparison.h"
#include "check/source_line.h"
#include "check/undetermined_groups.h"
#include "nuclides/binding_energy_data.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"
#include "nuclides/symbols.h"
#include "recordio/record_trace.h"

namespace check {

// A fixed-length text as a listing prints it: up to its first NUL byte.
inline std::string printed_text(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

struct InputFile {
  std::string shown;   // the name findings give, escaped when it must be
  std::string quoted;  // the name in quotes, for one-line messages
  std::string path;    // as connected
  std::int32_t unit = 0;
  recordio::RecordTrace trace;

  // The line just read, as the converter sees it and with its raw columns.
  SourceLine current_line(int tab_width) const { return expand_line(trace.raw.view(), tab_width); }
};

// One mass excess set beside the table's.
struct Compared {
  std::int64_t line = 0;
  int block = 0;
  bool reference = false;
  std::string nuclide;  // mass number and symbol as written, "133Cs"
  std::int32_t A = 0;
  std::int32_t charge = 0;  // of the ion on the line
  nuclides::SymbolKind kind =
      nuclides::SymbolKind::element;  // isomer and molecule are compared apart
  bool corrected = true;  // the binding-energy correction was made (both energies found)
  double value = 0.0;     // micro-u, as the converter computes it
  double sigma = 0.0;
  // The binding-energy correction in the value and, when the shipped data
  // has both ions, its uncertainty; both micro-u.
  double correction = 0.0;
  std::optional<double> correction_sigma;
  // The table's value to compare with: the nuclide's own; for an isomer its
  // ground state, for a molecule the sum of its atoms' values, when known.
  std::optional<nuclides::TableMass> table;
  // What the table value is when not the nuclide's own: "ground state
  // 134Cs", "12C+16O".
  std::string compared_with;
  std::string not_compared;  // why there is no table value
  double difference() const { return value - table->mass_excess; }
  double combined_sigma() const;
  double sigmas() const;  // difference / combined sigma
};

struct CheckContext {
  // Every finding goes here, and -v listing entries too.
  FindingReport diagnostics;
  InputFile freq;
  InputFile table;
  bool verbose = false;
  int tab_width = 8;
  const nuclides::MassTable* masses = nullptr;
  // The shipped binding energies the rows are checked against and the
  // correction's uncertainty comes from; null when not loaded.
  const nuclides::BindingEnergyData* binding = nullptr;
  std::vector<Compared> compared;
  // The uncertainty in eV a row gives its total as a fifth value, by the
  // row's symbol bytes and charge, for the row the converter uses.
  std::map<std::pair<std::uint32_t, std::int32_t>, double> given_uncertainty_ev;
  // Which rows of the binding-energy table the equations use, and how hard.
  RowEffects row_effects;
  // The isomers' excitation energies; null when not loaded.
  const nuclides::NubaseTable* properties = nullptr;
  // Every line of an element or an isomer, for E* from two ratios.
  std::vector<StateLine> state_lines;
  // Every equation the converter would write, for the groups of nuclides
  // the adjustment would leave undetermined.
  std::vector<EquationLine> equation_lines;
  // Set when a file could not be read to its end (a refused read, memory):
  // the check is then incomplete and says why.
  std::optional<std::string> unreadable;
};

}  // namespace check
