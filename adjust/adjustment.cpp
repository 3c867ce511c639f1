// adjustment.cpp - anchors, the determined nuclides, the solve and the outliers.
#include "adjust/adjustment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "adjust/chi2_probability.h"
#include "adjust/least_squares.h"
#include "cli/diagnostics.h"
#include "cli/number_text.h"
#include "cli/quoting.h"
#include "nuclides/determined_groups.h"

namespace adjust {

namespace {

// Below this, 1 - h is rounding: the datum alone determines what it
// measures, its residual is 0 and says nothing about its agreement.
constexpr double alone = 1.0e-9;

// The solve is sparse and grows with the data; the covariance matrix, when
// its files are asked for, is nuclides by nuclides. Beyond this many
// nuclides it would take gigabytes: every nuclide known is about 3,600.
constexpr std::size_t most_unknowns = 20'000;
constexpr std::size_t most_covariance_nuclides = 10'000;

using nuclides::is_carbon_12;

std::string number(double value, int decimals) { return cli::fixed(value, decimals); }

std::string names_of(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

class Adjuster {
 public:
  Adjuster(Adjustment& result, const AdjustSettings& settings) : a_(result), settings_(settings) {}

  bool set_up(const nuclides::MassTable& table, std::string& error);
  bool solve(std::string& error);
  bool reject_worst();
  bool differences(std::string& error);
  void fill_covariance();
  void warn_about_linear_form();
  void warn_about_birge_ratio();

 private:
  void find_molecules(const nuclides::MassTable& table);
  bool anchor(std::size_t k, const std::string& why, std::string& error);
  void anchor_by_references();
  std::vector<std::pair<std::size_t, double>> terms_of(const Datum& datum) const;
  Combination combination(const std::vector<std::pair<std::size_t, double>>& parts) const;
  void add(std::vector<std::pair<std::size_t, double>>& terms, std::size_t k,
           double coefficient) const;

  Adjustment& a_;
  const AdjustSettings& settings_;
  // The nuclides as the equations tie them, by index into a_.nuclides.
  nuclides::TiedNuclides tied_;
  std::vector<double> start_;
  Fit fit_;                           // the last solve
  std::vector<std::size_t> unknown_;  // nuclide -> unknown of fit_, or none
};

// A nuclide's part in a datum: itself, or a molecule's atoms.
void Adjuster::add(std::vector<std::pair<std::size_t, double>>& terms, std::size_t k,
                   double coefficient) const {
  nuclides::add_term(tied_, terms, k, coefficient);
}

// The nuclides a datum measures, with their coefficients, merged when an
// equation names one nuclide twice (or a molecule and one of its atoms), and
// without those whose coefficient is 0.
std::vector<std::pair<std::size_t, double>> Adjuster::terms_of(const Datum& datum) const {
  std::vector<std::pair<std::size_t, double>> terms;
  if (datum.kind == Datum::Kind::anchor) {
    terms.emplace_back(datum.nuclide, 1.0);
    return terms;
  }
  const Equation& equation = a_.equations[datum.equation];
  return nuclides::equation_terms(tied_, {equation.measured, equation.reference, equation.G});
}

// The unknowns of the last solve that nuclides `parts` (index, coefficient)
// stand for: a molecule's atoms, nothing for a fixed nuclide.
Combination Adjuster::combination(const std::vector<std::pair<std::size_t, double>>& parts) const {
  std::vector<std::pair<std::size_t, double>> terms;
  for (const auto& [k, coefficient] : parts) add(terms, k, coefficient);
  Combination unknowns;
  for (const auto& [k, coefficient] : terms) {
    if (unknown_[k] < unknown_.size() && coefficient != 0.0)
      unknowns.emplace_back(unknown_[k], coefficient);
  }
  return unknowns;
}

// The covariance matrix over every nuclide, for the files that print it.
void Adjuster::fill_covariance() {
  const std::size_t n = a_.nuclides.size();
  const Eigen::MatrixXd C = fit_.factor.covariance();
  a_.covariance = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(n), static_cast<Eigen::Index>(n));
  for (std::size_t i = 0; i < n; ++i) {
    if (unknown_[i] == n) continue;
    for (std::size_t k = 0; k < n; ++k) {
      if (unknown_[k] == n) continue;
      a_.covariance(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(k)) =
          C(static_cast<Eigen::Index>(unknown_[i]), static_cast<Eigen::Index>(unknown_[k]));
    }
  }
  // A molecule's row and column of the covariance: its atoms' summed.
  for (std::size_t i = 0; i < n; ++i) {
    const NuclideResult& molecule = a_.nuclides[i];
    if (molecule.atoms.empty() || !molecule.determined) continue;
    const auto ii = static_cast<Eigen::Index>(i);
    for (std::size_t k = 0; k < n; ++k) {
      if (!a_.nuclides[k].atoms.empty()) continue;
      double sum = 0.0;
      for (const auto& [atom, count] : molecule.atoms)
        sum += count * a_.covariance(static_cast<Eigen::Index>(atom), static_cast<Eigen::Index>(k));
      a_.covariance(ii, static_cast<Eigen::Index>(k)) = sum;
      a_.covariance(static_cast<Eigen::Index>(k), ii) = sum;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    const NuclideResult& molecule = a_.nuclides[i];
    if (molecule.atoms.empty() || !molecule.determined) continue;
    const auto ii = static_cast<Eigen::Index>(i);
    for (std::size_t j = 0; j < n; ++j) {
      if (a_.nuclides[j].atoms.empty()) continue;
      double sum = 0.0;
      for (const auto& [atom, count] : molecule.atoms)
        sum += count * a_.covariance(static_cast<Eigen::Index>(j), static_cast<Eigen::Index>(atom));
      a_.covariance(ii, static_cast<Eigen::Index>(j)) = sum;
    }
  }
}

// The nuclides of the equations, and the atoms of their molecules, which
// are taken as the sum of their atoms.
void Adjuster::find_molecules(const nuclides::MassTable& table) {
  std::vector<nuclides::TiedEquation> named;
  for (const Equation& equation : a_.equations)
    named.push_back({equation.measured, equation.reference, equation.G});
  tied_ = nuclides::tied_nuclides(named, table, settings_.properties);
  for (const nuclides::TiedNuclide& tied : tied_.nuclides) {
    NuclideResult result;
    result.nuclide = tied.nuclide;
    result.table = tied.table;
    result.atoms = tied.atoms;
    a_.nuclides.push_back(result);
  }
  for (const NuclideResult& molecule : a_.nuclides) {
    if (molecule.atoms.empty()) continue;
    std::string sum;
    for (const auto& [atom, count] : molecule.atoms) {
      sum += (sum.empty() ? "" : " + ") +
             (count > 1 ? std::to_string(count) + " " : std::string()) +
             a_.nuclides[atom].nuclide.name();
    }
    a_.notes.push_back(molecule.nuclide.name() + " is taken as " + sum +
                       ": the sum of its atoms' mass excesses, its chemical binding being in its "
                       "row of ionization.data as freq2equat's convention for molecules has it");
  }
}

// Anchors atom `k` at its table value; `why` says who asked, for a refusal.
bool Adjuster::anchor(std::size_t k, const std::string& why, std::string& error) {
  NuclideResult& nuclide = a_.nuclides[k];
  if (is_carbon_12(nuclide.nuclide)) return true;  // fixed already, by definition
  if (!nuclide.table) {
    error = why + ": the mass table has no value for " + nuclide.nuclide.name();
    return false;
  }
  nuclide.anchored = true;
  return true;
}

// The references' anchors: every nuclide that is only a reference, and
// the groups with none, by their references' table values.
void Adjuster::anchor_by_references() {
  std::vector<nuclides::Terms> equations;
  for (std::size_t e = 0; e < a_.equations.size(); ++e) {
    Datum datum;
    datum.equation = e;
    equations.push_back(terms_of(datum));
  }
  std::vector<bool> anchored;
  for (const NuclideResult& nuclide : a_.nuclides) anchored.push_back(nuclide.anchored);
  const std::vector<nuclides::LooseGroup> loose =
      nuclides::anchor_by_references(tied_, equations, anchored);
  for (std::size_t k = 0; k < a_.nuclides.size(); ++k) a_.nuclides[k].anchored = anchored[k];
  for (const nuclides::LooseGroup& group : loose) {
    std::vector<std::string> members, anchors;
    for (const std::size_t k : group.members) members.push_back(a_.nuclides[k].nuclide.name());
    for (const std::size_t k : group.anchored) anchors.push_back(a_.nuclides[k].nuclide.name());
    a_.notes.push_back("no nuclide of " + names_of(members) +
                       " appears only as a reference: anchored by its references' table values (" +
                       names_of(anchors) + ")");
  }
}

bool Adjuster::set_up(const nuclides::MassTable& table, std::string& error) {
  find_molecules(table);
  const std::size_t n = a_.nuclides.size();

  // Starting values: the table's, or the conversion's where it has none.
  std::vector<std::optional<double>> converted(n);
  for (const Equation& equation : a_.equations) {
    const std::size_t m = tied_.index.at(equation.measured);
    const std::size_t r = tied_.index.at(equation.reference);
    // A null equation measures nothing against anything: it only tests V.
    if (m == r) continue;
    if (!converted[m]) converted[m] = equation.mass_excess_measured;
    if (!converted[r]) converted[r] = equation.reference_used;
  }
  start_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    NuclideResult& nuclide = a_.nuclides[i];
    const auto& table_mass = nuclide.table;
    const bool usable = table_mass && std::isfinite(table_mass->mass_excess);
    start_[i] = usable ? table_mass->mass_excess : converted[i].value_or(0.0);
    // The unit is a twelfth of the mass of 12C: its mass excess is 0 exactly.
    if (is_carbon_12(nuclide.nuclide)) {
      nuclide.fixed = true;
      start_[i] = 0.0;
    }
  }

  for (const Nuclide& wanted : settings_.anchors) {
    const auto found = tied_.index.find(wanted);
    if (found == tied_.index.end()) {
      error = "--anchor " + wanted.name() + ": no equation names it";
      return false;
    }
    const NuclideResult& named = a_.nuclides[found->second];
    const std::string why = "--anchor " + wanted.name();
    if (named.atoms.empty()) {
      if (!named.table) {
        error = why + ": the mass table has no value for it";
        return false;
      }
      if (!anchor(found->second, why, error)) return false;
      if (named.table->estimated && !is_carbon_12(named.nuclide)) {
        a_.warnings.push_back(wanted.name() +
                              " is anchored as asked, at a table value that is estimated (from "
                              "systematics, not measured)");
      }
      continue;
    }
    for (const auto& [atom, count] : named.atoms) {
      if (!anchor(atom, why, error)) return false;
    }
  }
  std::vector<std::string> skipped;
  for (std::size_t i = 0; i < n; ++i) {
    NuclideResult& nuclide = a_.nuclides[i];
    if (!nuclide.atoms.empty() || is_carbon_12(nuclide.nuclide)) continue;
    if (settings_.anchor_all && nuclide.table && !nuclide.anchored) {
      if (nuclide.table->estimated) {
        skipped.push_back(nuclide.nuclide.name());
      } else {
        nuclide.anchored = true;
      }
    }
    const nuclides::TiedNuclide& tied = tied_.nuclides[i];
    if (tied.measured || !tied.referenced || nuclide.anchored) continue;
    if (!nuclide.table) {
      a_.warnings.push_back(nuclide.nuclide.name() +
                            " appears only as a reference and the mass table has no value for it: "
                            "no anchor ties it to an absolute value");
      continue;
    }
    // anchor_by_references anchors it.
    if (nuclide.table->estimated) {
      a_.warnings.push_back(nuclide.nuclide.name() +
                            " appears only as a reference and is anchored at a table value that "
                            "is estimated (from systematics, not measured)");
    }
  }
  if (!skipped.empty()) {
    a_.notes.push_back(
        "--anchor all leaves out the table values that are estimated (from "
        "systematics, not measured): " +
        names_of(skipped) + "; name one with --anchor to anchor it");
  }
  anchor_by_references();

  for (std::size_t e = 0; e < a_.equations.size(); ++e) {
    Datum datum;
    datum.kind = Datum::Kind::equation;
    datum.equation = e;
    datum.value = a_.equations[e].V;
    datum.uncertainty = a_.equations[e].U;
    a_.data.push_back(datum);
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!a_.nuclides[i].anchored) continue;
    const nuclides::TableMass& mass = *a_.nuclides[i].table;
    if (!std::isfinite(mass.mass_excess) || !std::isfinite(mass.uncertainty) ||
        mass.uncertainty < 0.0) {
      error = "the mass table's value for " + a_.nuclides[i].nuclide.name() + " (" +
              number(mass.mass_excess, 6) + " +/- " + number(mass.uncertainty, 6) +
              ") cannot anchor it";
      return false;
    }
    Datum datum;
    datum.kind = Datum::Kind::anchor;
    datum.nuclide = i;
    datum.value = a_.nuclides[i].table->mass_excess;
    datum.uncertainty = a_.nuclides[i].table->uncertainty;
    a_.data.push_back(datum);
  }
  return true;
}

bool Adjuster::solve(std::string& error) {
  const std::size_t n = a_.nuclides.size();
  std::vector<std::optional<double>> fixed(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (is_carbon_12(a_.nuclides[i].nuclide)) fixed[i] = 0.0;
  }
  for (const Datum& datum : a_.data) {
    if (datum.kind == Datum::Kind::anchor && !datum.rejected && datum.uncertainty == 0.0) {
      fixed[datum.nuclide] = datum.value;
    }
  }

  // A group of nuclides is determined when some datum in it measures one
  // nuclide alone (an anchor, or an equation whose other side vanishes) or
  // when it holds a fixed nuclide.
  std::vector<std::vector<std::pair<std::size_t, double>>> terms(a_.data.size());
  std::vector<const nuclides::Terms*> taken;
  for (std::size_t d = 0; d < a_.data.size(); ++d) {
    terms[d] = terms_of(a_.data[d]);
    if (!a_.data[d].rejected) taken.push_back(&terms[d]);
  }
  std::vector<bool> fixed_nuclides(n);
  for (std::size_t i = 0; i < n; ++i) fixed_nuclides[i] = fixed[i].has_value();
  const std::vector<bool> tied_to_value = nuclides::determined_nuclides(n, taken, fixed_nuclides);
  std::vector<std::size_t> unknown(n, n);
  std::size_t unknowns = 0;
  std::vector<double> start;
  for (std::size_t i = 0; i < n; ++i) {
    NuclideResult& nuclide = a_.nuclides[i];
    // A molecule is what its atoms are; it is no unknown of its own.
    if (!nuclide.atoms.empty()) continue;
    nuclide.determined = tied_to_value[i];
    nuclide.fixed = fixed[i].has_value();
    nuclide.mass_excess = 0.0;
    nuclide.uncertainty = 0.0;
    if (nuclide.fixed) nuclide.mass_excess = *fixed[i];
    if (nuclide.determined && !nuclide.fixed) {
      unknown[i] = unknowns++;
      start.push_back(start_[i]);
    }
  }

  for (NuclideResult& nuclide : a_.nuclides) {
    if (nuclide.atoms.empty()) continue;
    nuclide.determined = true;
    nuclide.mass_excess = nuclide.uncertainty = 0.0;
    for (const auto& [atom, count] : nuclide.atoms)
      nuclide.determined = nuclide.determined && a_.nuclides[atom].determined;
  }

  std::vector<Row> rows;
  std::vector<std::size_t> row_datum;
  for (std::size_t d = 0; d < a_.data.size(); ++d) {
    Datum& datum = a_.data[d];
    datum.used = false;
    datum.flagged = datum.rejected;
    datum.adjusted = datum.normalized_residual = datum.standardized_residual = 0.0;
    datum.significance = 0.0;
    datum.influence.clear();
    bool determined = true;
    for (const auto& [k, coefficient] : terms[d])
      determined = determined && a_.nuclides[k].determined;
    if (!determined || datum.rejected) continue;
    datum.used = true;
    if (datum.kind == Datum::Kind::anchor && datum.uncertainty == 0.0) {
      // Fixes its nuclide: determined by it alone, exactly.
      datum.adjusted = datum.value;
      datum.significance = 1.0;
      datum.influence.emplace_back(datum.nuclide, 1.0);
      continue;
    }
    Row row;
    row.value = datum.value;
    row.sigma = datum.uncertainty;
    for (const auto& [k, coefficient] : terms[d]) {
      if (a_.nuclides[k].fixed) {
        row.constant += coefficient * a_.nuclides[k].mass_excess;
      } else {
        row.terms.emplace_back(unknown[k], coefficient);
      }
    }
    rows.push_back(row);
    row_datum.push_back(d);
  }

  if (unknowns > most_unknowns) {
    error = std::to_string(unknowns) + " nuclides are more than this adjustment takes (at most " +
            std::to_string(most_unknowns) + ")";
    return false;
  }
  if (settings_.covariance_matrix && n > most_covariance_nuclides) {
    error = "the covariance matrix of " + std::to_string(n) +
            " nuclides is more than this program writes (at most " +
            std::to_string(most_covariance_nuclides) +
            "): leave out --correlations and --covariance";
    return false;
  }
  const Eigen::Map<const Eigen::VectorXd> start_vector(start.data(),
                                                       static_cast<Eigen::Index>(start.size()));
  // Equation e is datum e: the covariances between data that both took
  // part, as covariances between their rows.
  std::vector<std::size_t> row_of(a_.data.size(), rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) row_of[row_datum[r]] = r;
  std::vector<RowCovariance> row_covariances;
  for (const DataCovariance& c : settings_.data_covariances) {
    if (row_of[c.first] < rows.size() && row_of[c.second] < rows.size())
      row_covariances.push_back({row_of[c.first], row_of[c.second], c.covariance});
  }
  fit_ = solve_least_squares(rows, start_vector, row_covariances);
  const Fit& fit = fit_;
  unknown_ = unknown;
  if (!fit.covariance_positive) {
    error =
        "the covariances of the data are no covariance matrix (not positive definite): an "
        "equation's common components and correlations together exceed its U";
    return false;
  }
  if (!fit.full_rank) {
    error = "the data do not determine every nuclide they tie to an anchor (a singular system)";
    return false;
  }
  if (!std::isfinite(fit.chi2) || !fit.x.allFinite() || !fit.variance.allFinite()) {
    error =
        "the adjustment has no finite result: values too large or uncertainties too small for "
        "double precision";
    return false;
  }

  for (std::size_t i = 0; i < n; ++i) {
    if (unknown[i] == n) continue;
    const auto j = static_cast<Eigen::Index>(unknown[i]);
    a_.nuclides[i].mass_excess = fit.x(j);
    a_.nuclides[i].uncertainty = std::sqrt(fit.variance(j));
  }
  // A molecule is its atoms' sum: its variance from the factor, as one
  // combination of them.
  for (std::size_t i = 0; i < n; ++i) {
    NuclideResult& molecule = a_.nuclides[i];
    if (molecule.atoms.empty() || !molecule.determined) continue;
    for (const auto& [atom, count] : molecule.atoms)
      molecule.mass_excess += count * a_.nuclides[atom].mass_excess;
    molecule.uncertainty = std::sqrt(fit.factor.variance(combination({{i, 1.0}})));
  }
  a_.covariance.resize(0, 0);
  std::vector<std::size_t> nuclide_of(unknowns);
  for (std::size_t i = 0; i < n; ++i) {
    if (unknown[i] < n) nuclide_of[unknown[i]] = i;
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    Datum& datum = a_.data[row_datum[r]];
    const RowFit& row = fit.rows[r];
    datum.adjusted = row.adjusted;
    datum.normalized_residual = row.normalized_residual;
    datum.significance = row.significance;
    for (const auto& [j, influence] : row.influence)
      datum.influence.emplace_back(nuclide_of[j], influence);
    const double free = 1.0 - datum.significance;
    datum.standardized_residual = free > alone ? datum.normalized_residual / std::sqrt(free) : 0.0;
  }
  // Only the worst datum is flagged: one outlier pulls the solution towards
  // itself and can push good data past the threshold, which say nothing of
  // their own until it is gone.
  Datum* worst = nullptr;
  for (const std::size_t d : row_datum) {
    Datum& datum = a_.data[d];
    if (std::fabs(datum.standardized_residual) <= settings_.threshold) continue;
    if (worst == nullptr ||
        std::fabs(datum.standardized_residual) > std::fabs(worst->standardized_residual)) {
      worst = &datum;
    }
  }
  if (worst != nullptr) worst->flagged = true;
  // A rejected datum is still shown against the solution it left.
  for (std::size_t d = 0; d < a_.data.size(); ++d) {
    Datum& datum = a_.data[d];
    if (!datum.rejected) continue;
    double adjusted = 0.0;
    bool determined = true;
    for (const auto& [k, coefficient] : terms[d]) {
      determined = determined && a_.nuclides[k].determined;
      adjusted += coefficient * a_.nuclides[k].mass_excess;
    }
    if (!determined) continue;
    datum.adjusted = adjusted;
    datum.normalized_residual = (datum.value - adjusted) / datum.uncertainty;
  }

  a_.chi2 = fit.chi2;
  // Each exact anchor is one datum and one unknown: they cancel.
  a_.degrees_of_freedom = static_cast<int>(rows.size()) - static_cast<int>(unknowns);
  a_.birge_ratio.reset();
  a_.p_value.reset();
  if (a_.degrees_of_freedom > 0) {
    a_.birge_ratio = std::sqrt(a_.chi2 / a_.degrees_of_freedom);
    a_.p_value = chi2_exceeded(a_.chi2, a_.degrees_of_freedom);
  }
  return true;
}

bool Adjuster::differences(std::string& error) {
  for (const auto& [minuend, subtrahend] : settings_.differences) {
    for (const Nuclide& nuclide : {minuend, subtrahend}) {
      if (tied_.index.find(nuclide) == tied_.index.end()) {
        error = "--difference " + minuend.name() + "-" + subtrahend.name() +
                ": no equation names " + nuclide.name();
        return false;
      }
    }
    const std::size_t i = tied_.index.at(minuend), j = tied_.index.at(subtrahend);
    Difference difference{minuend, subtrahend};
    const NuclideResult& a = a_.nuclides[i];
    const NuclideResult& b = a_.nuclides[j];
    difference.determined = a.determined && b.determined;
    if (difference.determined) {
      difference.value = a.mass_excess - b.mass_excess;
      // One solve with e_A - e_B: no cancellation between C_AA + C_BB and 2 C_AB.
      difference.uncertainty = std::sqrt(fit_.factor.variance(combination({{i, 1.0}, {j, -1.0}})));
    }
    a_.differences.push_back(difference);
  }
  return true;
}

bool Adjuster::reject_worst() {
  for (std::size_t d = 0; d < a_.data.size(); ++d) {
    Datum& datum = a_.data[d];
    if (!datum.used || !datum.flagged) continue;
    datum.rejected = true;
    a_.rejected.push_back(d);
    return true;
  }
  return false;
}

void Adjuster::warn_about_linear_form() {
  for (const Datum& datum : a_.data) {
    if (datum.kind != Datum::Kind::equation || !datum.used) continue;
    const Equation& equation = a_.equations[datum.equation];
    const NuclideResult& reference = a_.nuclides[tied_.index.at(equation.reference)];
    // A null equation does not hang on its reference's value, and a
    // reference that was not adjusted has no value to have moved to.
    if (equation.measured == equation.reference || !reference.determined) continue;
    const double moved = reference.mass_excess - equation.reference_used;
    const double off = linear_form_slack * std::fabs(moved);
    if (!(off > 0.1 * equation.U)) continue;
    a_.warnings.push_back(cli::shown_name(equation.file) + ":" + std::to_string(equation.line) +
                          ": " + equation.name() + ": the adjusted " + reference.nuclide.name() +
                          " is " + number(moved, 6) + " micro-u from the " +
                          number(equation.reference_used, 6) +
                          " its conversion used, so V may be off by up to " + number(off, 6) +
                          " micro-u, more than a tenth of U (" + number(equation.U, 5) +
                          "): convert it again with the adjusted reference");
  }
}

void Adjuster::warn_about_birge_ratio() {
  if (!a_.birge_ratio) return;
  const double birge = *a_.birge_ratio;
  // The Birge ratio of consistent data scatters about 1 by 1/sqrt(2 dof);
  // only twice that is worth a word. A ratio below 1 never shrinks the
  // uncertainties.
  if (!(birge > 1.0 + 2.0 / std::sqrt(2.0 * a_.degrees_of_freedom))) return;
  char text[256];
  std::snprintf(text, sizeof text,
                "chi2/dof = %.3g for %d degrees of freedom, well above 1: the data agree only with "
                "their uncertainties multiplied by the Birge ratio %.3f; they are left as given "
                "(P(chi2 > %.4g) = %.3g)",
                a_.chi2 / a_.degrees_of_freedom, a_.degrees_of_freedom, birge, a_.chi2,
                a_.p_value.value_or(0.0));
  a_.warnings.emplace_back(text);
}

}  // namespace

std::size_t Adjustment::flagged_count() const {
  std::size_t count = 0;
  for (const Datum& datum : data) count += datum.flagged && !datum.rejected ? 1 : 0;
  return count;
}

std::size_t Adjustment::determined_count() const {
  std::size_t count = 0;
  for (const NuclideResult& nuclide : nuclides) count += nuclide.determined ? 1 : 0;
  return count;
}

std::size_t Adjustment::undetermined_count() const {
  std::size_t count = 0;
  for (const NuclideResult& nuclide : nuclides) count += nuclide.determined ? 0 : 1;
  return count;
}

bool adjust_equations(std::vector<Equation> equations, const nuclides::MassTable& table,
                      const AdjustSettings& settings, Adjustment& result, std::string& error) {
  result = Adjustment{};
  result.equations = std::move(equations);
  Adjuster adjuster(result, settings);
  if (!adjuster.set_up(table, error)) return false;
  if (!adjuster.solve(error)) return false;
  while (settings.reject && adjuster.reject_worst()) {
    if (!adjuster.solve(error)) return false;
  }
  if (!adjuster.differences(error)) return false;
  if (settings.covariance_matrix) adjuster.fill_covariance();
  if (!settings.data_covariances.empty()) {
    result.notes.push_back(
        cli::count_of(static_cast<long>(settings.data_covariances.size()), "covariance") +
        " between data: the correlated data are adjusted whitened by the Cholesky factor of their "
        "covariance, and their normalized residuals, significances and influences are those of "
        "the whitened data, each a combination of its own and the data before it in the file");
  }
  adjuster.warn_about_linear_form();
  adjuster.warn_about_birge_ratio();
  if (result.determined_count() == 0) {
    result.warnings.push_back(
        "nothing was adjusted: no datum ties any nuclide of the equations to an absolute value");
  } else if (result.undetermined_count() > 0) {
    result.warnings.push_back(
        cli::count_of(static_cast<long>(result.undetermined_count()), "nuclide") +
        " not determined, their equations unused: see the list above");
  }
  return true;
}

std::optional<Difference> difference_of(const Adjustment& adjustment, const Nuclide& minuend,
                                        const Nuclide& subtrahend) {
  const auto place = [&](const Nuclide& nuclide) -> std::optional<std::size_t> {
    for (std::size_t k = 0; k < adjustment.nuclides.size(); ++k) {
      if (adjustment.nuclides[k].nuclide == nuclide) return k;
    }
    return std::nullopt;
  };
  const std::optional<std::size_t> i = place(minuend), j = place(subtrahend);
  if (!i || !j) return std::nullopt;
  Difference difference{minuend, subtrahend};
  const NuclideResult& a = adjustment.nuclides[*i];
  const NuclideResult& b = adjustment.nuclides[*j];
  // A finished adjustment keeps no factor: the covariance it was asked to
  // form is what a difference can come from.
  const auto formed = static_cast<std::size_t>(adjustment.covariance.rows());
  difference.determined = a.determined && b.determined && *i < formed && *j < formed;
  if (difference.determined) {
    const auto ii = static_cast<Eigen::Index>(*i), jj = static_cast<Eigen::Index>(*j);
    difference.value = a.mass_excess - b.mass_excess;
    const double variance = adjustment.covariance(ii, ii) + adjustment.covariance(jj, jj) -
                            2.0 * adjustment.covariance(ii, jj);
    difference.uncertainty = std::sqrt(std::max(0.0, variance));
  }
  return difference;
}

}  // namespace adjust
