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
#include "check/compared.h"
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
  ComparedRows compared;
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
  EquationNetwork equations;
  // Set when a file could not be read to its end (a refused read, memory):
  // the check is then incomplete and says why.
  std::optional<std::string> unreadable;
};

}  // namespace check
