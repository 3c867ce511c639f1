// isomer_comparison.h - measured isomers beside the table's excitation
// energies.
//
// When the isomer's ground state is measured in the same block and charge
// state, E* comes from the two ratios directly, which carries only their
// uncertainties: the reference, the electrons and the binding energies
// cancel (nuclides/excitation_energy.h). Otherwise it is the isomer's mass
// excess minus the mass table's ground state. Either is set beside the
// excitation energy of the table of nuclear properties.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/finding.h"
#include "nuclides/excitation_energy.h"
#include "nuclides/isomer_names.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"

namespace check {

// A line of the measurements file with an element or an isomer, as the
// walk saw it.
struct StateLine {
  std::int64_t line = 0;
  int block = 0;
  std::int32_t A = 0;
  std::int32_t charge = 0;
  nuclides::StateName state;
  std::string nuclide;  // as written, "178Hfn"
  bool reference = false;
  double value = 0.0;  // the mass excess as the converter computes it, micro-u
  // Its uncertainty with the binding energies' and the table ground
  // state's folded in, for E* over the table's ground state; micro-u.
  double sigma_over_ground = 0.0;
  std::optional<nuclides::TableMass> ground;  // the mass table's ground state
  // The ratio of the ion's mass over charge to the reference's as the
  // converter takes it (turned round where the flag says so), with its
  // uncertainty; none on a reference line.
  std::optional<double> ratio;
  double ratio_sigma = 0.0;
  std::string text;  // the line, shown under a finding on it
  std::int32_t value_column = 13;
};

struct IsomerComparison {
  std::int64_t line = 0;
  std::size_t from = 0;  // the index of its StateLine
  int block = 0;
  std::string nuclide;
  nuclides::Excitation measured;  // keV
  std::int64_t ground_line = 0;   // the ground state's line E* is from; 0: the mass table's
  std::optional<nuclides::TableEnergy> table;  // the table's E*, keV
  bool order_uncertain = false;
  bool order_reversed = false;
  std::string not_compared;  // why there is no table E*

  double difference() const { return measured.value - table->value; }
  double combined_sigma() const;
  double sigmas() const;
};

// One comparison per isomer line (in the order of `lines`) whose E* can be
// worked out: from the ratios with the nearest ground-state line of the
// same block, mass number, element and charge state when there is one,
// otherwise over the mass table's ground state. `properties` may be null.
std::vector<IsomerComparison> compare_isomers(const std::vector<StateLine>& lines,
                                              const nuclides::NubaseTable* properties);

// A finding on the isomer's line at `place` when E* lies beyond 3
// combined sigma from the table's: isomer-excitation-far, or
// isomer-excitation-systematics (a note) when the table's value is from
// systematics. The ordering flags are said when the table sets them. An
// E* below zero or above 10 MeV gives none: the comparison with the mass
// table reports such an isomer as impossible already.
// `table_name` names the table of nuclear properties.
std::optional<Finding> isomer_finding(const IsomerComparison& compared,
                                      const std::string& table_name, const LinePlace& place);

// The listing on standard output: E* +/- sigma, where it is from, the
// table's E* +/- sigma ("#" from systematics), the difference in keV and
// in combined sigma, and the ordering flags.
void print_isomer_comparison(const std::vector<IsomerComparison>& compared,
                             const std::string& table_described);

}  // namespace check
