// adjustment.h - all equations and anchors adjusted together.
//
// The data are the equations, ME(measured) - G * ME(reference) = V (U),
// and the anchors, ME(nuclide) = table value (table uncertainty). A nuclide
// is anchored when it appears only as a reference, or when asked for. A
// group of nuclides that no datum ties to an absolute value is
// undetermined: it is listed with its equations and left out of the solve.
// An anchor of uncertainty 0 fixes its nuclide exactly.
#pragma once

#include <Eigen/Dense>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adjust/equations_file.h"
#include "adjust/nuclide.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"

namespace adjust {

struct NuclideResult {
  Nuclide nuclide;
  std::optional<nuclides::TableMass> table;
  bool anchored = false;
  bool determined = false;   // false: no datum ties it to an absolute value
  bool fixed = false;        // anchored with uncertainty 0
  double mass_excess = 0.0;  // micro-u, adjusted
  double uncertainty = 0.0;
};

struct Datum {
  enum class Kind { equation, anchor };
  Kind kind = Kind::equation;
  std::size_t equation = 0;  // into Adjustment::equations, for an equation
  std::size_t nuclide = 0;   // into Adjustment::nuclides, for an anchor
  double value = 0.0;
  double uncertainty = 0.0;

  bool used = false;      // took part in the final solve
  bool rejected = false;  // dropped by --reject
  bool flagged = false;   // the largest standardized residual, above the threshold
  double adjusted = 0.0;
  double normalized_residual = 0.0;
  double standardized_residual = 0.0;  // normalized / sqrt(1 - significance); 0 when h = 1
  double significance = 0.0;
  std::vector<std::pair<std::size_t, double>> influence;  // nuclide index, influence
};

struct AdjustSettings {
  std::vector<Nuclide> anchors;  // --anchor NUCLIDE
  bool anchor_all = false;       // --anchor all
  double threshold = 3.0;
  bool reject = false;
  // The isomers' excitation energies: an isomer's table value is its
  // ground state's plus E* (nuclides/state_mass.h). Null: isomers have none.
  const nuclides::NubaseTable* properties = nullptr;
};

struct Adjustment {
  std::vector<Equation> equations;
  std::vector<NuclideResult> nuclides;  // by mass number, then symbol
  std::vector<Datum> data;              // equations in the order given, then anchors
  Eigen::MatrixXd covariance;           // over `nuclides`; 0 for fixed and undetermined ones
  double chi2 = 0.0;
  int degrees_of_freedom = 0;
  std::optional<double> birge_ratio;  // sqrt(chi2 / dof), none without a degree of freedom
  std::vector<std::size_t> rejected;  // data in the order --reject dropped them
  std::vector<std::string> warnings;

  std::size_t flagged_count() const;
};

// Adjusts `equations` against `table`. Returns false with a one-line reason
// in `error` when the request cannot be met (an --anchor that names no
// nuclide of the equations, or one the table lacks).
bool adjust_equations(std::vector<Equation> equations, const nuclides::MassTable& table,
                      const AdjustSettings& settings, Adjustment& result, std::string& error);

// The limit of |I - G| for every equation the converter writes: the ratio
// of the ions' mass-to-charge ratios against the rounded ratio of mass
// numbers.
inline constexpr double linear_form_slack = 1.5e-3;

}  // namespace adjust
