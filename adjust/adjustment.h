// adjustment.h - all equations and anchors adjusted together.
//
// The data are the equations, ME(measured) - G * ME(reference) = V (U),
// and the anchors, ME(nuclide) = table value (table uncertainty). A nuclide
// is anchored when it appears only as a reference, or when asked for; a
// connected group of nuclides in which every nuclide is also measured is
// anchored by its references' table values. A group that still no datum
// ties to an absolute value is undetermined: it is listed with its
// equations and left out of the solve. 12C is 0 exactly, by the definition
// of the unit; an anchor of uncertainty 0 fixes its nuclide exactly too.
// A molecule the table lacks (28CO) is the sum of its atoms (12C + 16O):
// its atoms are the nuclides adjusted.
#pragma once

#include <Eigen/Dense>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adjust/data_covariance.h"
#include "adjust/equations_file.h"
#include "adjust/nuclide.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"

namespace adjust {

struct NuclideResult {
  Nuclide nuclide;
  std::optional<nuclides::TableMass> table;
  bool anchored = false;
  bool determined = false;  // false: no datum ties it to an absolute value
  bool fixed = false;       // 12C, or anchored with uncertainty 0
  // A molecule: the nuclides (indices) of its atoms and how many of each;
  // empty for an atom.
  std::vector<std::pair<std::size_t, int>> atoms;
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

// ME(minuend) - ME(subtrahend): a Q-value between atoms, an isomer's
// excitation energy; its uncertainty from the full covariance.
struct Difference {
  Nuclide minuend;
  Nuclide subtrahend;
  bool determined = false;  // both adjusted
  double value = 0.0;       // micro-u
  double uncertainty = 0.0;
};

struct AdjustSettings {
  std::vector<Nuclide> anchors;                          // --anchor NUCLIDE
  std::vector<std::pair<Nuclide, Nuclide>> differences;  // --difference A-B
  std::vector<DataCovariance> data_covariances;          // --data-covariance FILE
  bool anchor_all = false;                               // --anchor all
  double threshold = 3.0;
  bool reject = false;
  // The isomers' excitation energies: an isomer's table value is its
  // ground state's plus E* (nuclides/state_mass.h). Null: isomers have none.
  const nuclides::NubaseTable* properties = nullptr;
  // Fill Adjustment::covariance, nuclides by nuclides: for the files that
  // print it. The uncertainties and differences never need it.
  bool covariance_matrix = true;
};

struct Adjustment {
  std::vector<Equation> equations;
  std::vector<NuclideResult> nuclides;  // by mass number, then symbol
  std::vector<Datum> data;              // equations in the order given, then anchors
  // Over `nuclides`; 0 for fixed and undetermined ones. Empty unless
  // AdjustSettings::covariance_matrix.
  Eigen::MatrixXd covariance;
  double chi2 = 0.0;
  int degrees_of_freedom = 0;
  std::optional<double> birge_ratio;  // sqrt(chi2 / dof), none without a degree of freedom
  std::optional<double> p_value;      // P(chi2 > found) for dof, none without a degree of freedom
  std::vector<Difference> differences;
  std::vector<std::size_t> rejected;  // data in the order --reject dropped them
  std::vector<std::string> warnings;  // something to look at: the exit status says so
  std::vector<std::string> notes;     // what the adjustment assumed, said in the report

  std::size_t flagged_count() const;
  std::size_t determined_count() const;
  // Nuclides named by the equations that no datum ties to an absolute value.
  std::size_t undetermined_count() const;
};

// Adjusts `equations` against `table`. Returns false with a one-line reason
// in `error` when the request cannot be met (an --anchor that names no
// nuclide of the equations, or one the table lacks, or a --difference of a
// nuclide no equation names).
bool adjust_equations(std::vector<Equation> equations, const nuclides::MassTable& table,
                      const AdjustSettings& settings, Adjustment& result, std::string& error);

// ME(minuend) - ME(subtrahend) of a finished adjustment, its uncertainty
// from the covariance, which the adjustment must have formed
// (AdjustSettings::covariance_matrix; otherwise the difference is not
// determined); nothing when either is not a nuclide of it. --difference asks
// before the adjustment ends and gets it from the factor, without the
// cancellation of C_AA + C_BB - 2 C_AB.
std::optional<Difference> difference_of(const Adjustment& adjustment, const Nuclide& minuend,
                                        const Nuclide& subtrahend);

// The limit of |I - G| for every equation the converter writes: the ratio
// of the ions' mass-to-charge ratios against the rounded ratio of mass
// numbers.
inline constexpr double linear_form_slack = 1.5e-3;

}  // namespace adjust
