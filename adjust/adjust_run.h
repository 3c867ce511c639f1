// adjust_run.h - the steps of an adjustment around adjust_equations, shared
// by the program and everything else that adjusts (the Python module), so
// that both read the files, say the same about how each ended, and name the
// tables the same way.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "adjust/adjustment.h"
#include "adjust/equations_file.h"
#include "adjust/report.h"
#include "cli/diagnostics.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"

namespace adjust {

struct EquationsSource {
  std::string path;   // where the bytes are
  std::string shown;  // as findings and notes name the file
  // Kept in each Equation::file: the name the report and the data
  // covariances give the equation.
  std::string label;
};

struct EquationsRead {
  std::vector<Equation> equations;  // every file's, in the order given
  std::vector<std::string> notes;   // how a file's conversion ended, when not normally
  int errors = 0;                   // findings reported as errors, over every file
};

// Reads every file of `sources` in turn on the record layer's unit `unit`;
// `each` (may be empty) sees each equation as it is read. false with a
// one-line `error` when a file cannot be read at all; errors within a file
// are counted in `read.errors` and reported through `diagnostics`.
bool read_equations_files(const std::vector<EquationsSource>& sources, std::int32_t unit,
                          cli::Diagnostics& diagnostics, EquationsRead& read, std::string& error,
                          const std::function<void(const Equation&)>& each = {});

// What an ending other than "Normal End" means for the file's equations;
// empty for a normal end.
std::string file_end_note(const std::string& shown, FileEnd end);

// adjust_equations on what was read, the notes on how files ended first
// among the warnings (they change what the adjustment could use).
bool adjust_read_equations(EquationsRead read, const nuclides::MassTable& masses,
                           const AdjustSettings& settings, Adjustment& adjustment,
                           std::string& error);

// The tables as the report names them: `masses_name` for the mass table;
// `nubase` null when no table of excitation energies was loaded.
ReportSettings report_settings(const nuclides::MassTable& masses, std::string masses_name,
                               const nuclides::NubaseTable* nubase, double threshold);

}  // namespace adjust
