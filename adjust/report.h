// report.h - the adjustment as a reader takes it in: a text report, the
// JSON for programs, and the correlation matrix as CSV.
#pragma once

#include <optional>
#include <string>

#include "adjust/adjustment.h"
#include "nuclides/mass_table.h"
#include "nuclides/table_identity.h"

namespace adjust {

struct ReportSettings {
  bool kev = false;         // mass excesses in keV as well
  double threshold = 3.0;   // for the words about flagged data
  std::string masses_name;  // the mass table, as the report names it
  // The table of excitation energies, as the report names it; empty when
  // none was used.
  std::string nubase_name;
  // The tables compared with, for the JSON: each by file name, edition and
  // checksum (nuclides/table_identity.h).
  nuclides::TableIdentity masses_table;
  std::optional<nuclides::TableIdentity> nubase_table;
  // keV per micro-u for every keV shown: the mass table's own factor.
  double kev_per_micro_u = nuclides::kev_per_micro_u_2020;
};

// Nuclides by mass number, data by file and line, then anchors; flagged
// data marked.
std::string text_report(const Adjustment& adjustment, const ReportSettings& settings);

// The keys mass_table, tables, kev_per_micro_u, chi2, degrees_of_freedom,
// birge_ratio, p_value, nuclides, data, differences, undetermined, notes
// and warnings.
std::string json_report(const Adjustment& adjustment, const ReportSettings& settings);

// The correlation matrix of the determined nuclides: a header row of
// their names, then one row per nuclide; 15 decimals, so that a difference
// computed from it loses nothing to the file.
std::string correlations_csv(const Adjustment& adjustment);

// The covariance matrix (micro-u^2) of the determined nuclides, laid out as
// the correlations, each number with 17 significant digits: read back, it
// is the same double.
std::string covariance_csv(const Adjustment& adjustment);

// "133Cs-85Rb" for an equation, "85Rb" for an anchor.
std::string datum_name(const Adjustment& adjustment, const Datum& datum);

}  // namespace adjust
