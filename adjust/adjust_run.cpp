// adjust_run.cpp - reading every equations file, adjusting what was read,
// and naming the tables for the report.
#include "adjust/adjust_run.h"

#include <utility>

#include "cli/quoting.h"

namespace adjust {

bool read_equations_files(const std::vector<EquationsSource>& sources, std::int32_t unit,
                          cli::Diagnostics& diagnostics, EquationsRead& read, std::string& error,
                          const std::function<void(const Equation&)>& each) {
  for (const EquationsSource& source : sources) {
    EquationsFile file;
    if (!read_equations_file(source.path, source.shown, unit, diagnostics, file, error))
      return false;
    read.errors += file.errors;
    for (Equation& equation : file.equations) {
      equation.file = source.label;
      if (each) each(equation);
      read.equations.push_back(std::move(equation));
    }
    if (std::string note = file_end_note(source.shown, file.end); !note.empty())
      read.notes.push_back(std::move(note));
  }
  return true;
}

std::string file_end_note(const std::string& shown, FileEnd end) {
  switch (end) {
    case FileEnd::normal:
      return {};
    case FileEnd::reading_error:
      return shown +
             ": the conversion ended in \"Error in File Reading\": its equations before "
             "the error are used; the measurements after it were never converted";
    case FileEnd::no_closing:
      return shown + ": no closing record, the conversion did not finish: its equations are used";
  }
  return {};
}

bool adjust_read_equations(EquationsRead read, const nuclides::MassTable& masses,
                           const AdjustSettings& settings, Adjustment& adjustment,
                           std::string& error) {
  if (!adjust_equations(std::move(read.equations), masses, settings, adjustment, error))
    return false;
  adjustment.warnings.insert(adjustment.warnings.begin(), read.notes.begin(), read.notes.end());
  return true;
}

ReportSettings report_settings(const nuclides::MassTable& masses, std::string masses_name,
                               const nuclides::NubaseTable* nubase, double threshold) {
  ReportSettings report;
  report.threshold = threshold;
  report.masses_name = std::move(masses_name);
  report.masses_table = masses.identity();
  report.kev_per_micro_u = masses.kev_per_micro_u().value_or(nuclides::kev_per_micro_u_2020);
  if (nubase) {
    report.nubase_name = nubase->identity().described();
    report.nubase_table = nubase->identity();
  }
  return report;
}

}  // namespace adjust
