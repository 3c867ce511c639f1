// adjustment.cpp - anchors, the determined nuclides, the solve and the outliers.
#include "adjust/adjustment.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <numeric>

#include "adjust/least_squares.h"
#include "cli/number_text.h"
#include "cli/quoting.h"
#include "nuclides/state_mass.h"

namespace adjust {

namespace {

// Below this, 1 - h is rounding: the datum alone determines what it
// measures, its residual is 0 and says nothing about its agreement.
constexpr double alone = 1.0e-9;

// The solve is dense: its matrix has a row per datum and a column per
// nuclide. Past these sizes it would take gigabytes and minutes; a real
// campaign has hundreds of data on tens of nuclides.
constexpr std::size_t most_unknowns = 3000;
constexpr std::size_t most_matrix_entries = 10'000'000;

class Components {
 public:
  explicit Components(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
  std::size_t find(std::size_t k) {
    while (parent_[k] != k) k = parent_[k] = parent_[parent_[k]];
    return k;
  }
  void join(std::size_t a, std::size_t b) { parent_[find(a)] = find(b); }

 private:
  std::vector<std::size_t> parent_;
};

// The nuclides a datum measures, with their coefficients, merged when an
// equation names one nuclide twice and without those whose coefficient is 0.
std::vector<std::pair<std::size_t, double>> terms_of(const Datum& datum, const Adjustment& a,
                                                     const std::map<Nuclide, std::size_t>& index) {
  std::vector<std::pair<std::size_t, double>> terms;
  if (datum.kind == Datum::Kind::anchor) {
    terms.emplace_back(datum.nuclide, 1.0);
    return terms;
  }
  const Equation& equation = a.equations[datum.equation];
  const std::size_t measured = index.at(equation.measured);
  const std::size_t reference = index.at(equation.reference);
  if (measured == reference) {
    terms.emplace_back(measured, 1.0 - equation.G);
  } else {
    terms.emplace_back(measured, 1.0);
    terms.emplace_back(reference, -equation.G);
  }
  std::erase_if(terms, [](const auto& term) { return term.second == 0.0; });
  return terms;
}

std::string number(double value, int decimals) { return cli::fixed(value, decimals); }

// The tables' value of a nuclide as the equations name it: an isomer
// ("134Csm", "38Kxm") as its ground state plus the excitation energy, so
// that it anchors and is compared like any other.
std::optional<nuclides::TableMass> table_value(const nuclides::MassTable& table,
                                               const nuclides::NubaseTable* properties,
                                               const Nuclide& nuclide) {
  const std::optional<nuclides::StateName> state = nuclides::state_of_symbol(nuclide.symbol);
  if (!state || state->letter == ' ') return table.find(nuclide.A, nuclide.symbol);
  std::string why_not;
  return nuclides::state_table_mass(table, properties, nuclide.A, *state, why_not);
}

class Adjuster {
 public:
  Adjuster(Adjustment& result, const AdjustSettings& settings) : a_(result), settings_(settings) {}

  bool set_up(const nuclides::MassTable& table, std::string& error);
  bool solve(std::string& error);
  bool reject_worst();
  void warn_about_linear_form();
  void warn_about_birge_ratio();

 private:
  Adjustment& a_;
  const AdjustSettings& settings_;
  std::map<Nuclide, std::size_t> index_;
  std::vector<double> start_;
};

bool Adjuster::set_up(const nuclides::MassTable& table, std::string& error) {
  for (const Equation& equation : a_.equations) {
    index_.emplace(equation.measured, 0);
    index_.emplace(equation.reference, 0);
  }
  std::size_t k = 0;
  for (auto& [nuclide, at] : index_) {
    at = k++;
    NuclideResult result;
    result.nuclide = nuclide;
    result.table = table_value(table, settings_.properties, nuclide);
    a_.nuclides.push_back(result);
  }
  const std::size_t n = a_.nuclides.size();

  // Starting values: the table's, or the conversion's where it has none.
  std::vector<bool> measured(n, false);
  std::vector<std::optional<double>> converted(n);
  for (const Equation& equation : a_.equations) {
    const std::size_t m = index_.at(equation.measured);
    const std::size_t r = index_.at(equation.reference);
    measured[m] = true;
    if (!converted[m]) converted[m] = equation.mass_excess_measured;
    if (!converted[r]) converted[r] = equation.reference_used;
  }
  start_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto& table_mass = a_.nuclides[i].table;
    const bool usable = table_mass && std::isfinite(table_mass->mass_excess);
    start_[i] = usable ? table_mass->mass_excess : converted[i].value_or(0.0);
  }

  for (const Nuclide& wanted : settings_.anchors) {
    const auto found = index_.find(wanted);
    if (found == index_.end()) {
      error = "--anchor " + wanted.name() + ": no equation names it";
      return false;
    }
    if (!a_.nuclides[found->second].table) {
      error = "--anchor " + wanted.name() + ": the mass table has no value for it";
      return false;
    }
    a_.nuclides[found->second].anchored = true;
  }
  for (std::size_t i = 0; i < n; ++i) {
    NuclideResult& nuclide = a_.nuclides[i];
    if (settings_.anchor_all && nuclide.table) nuclide.anchored = true;
    if (measured[i]) continue;
    if (nuclide.table) {
      nuclide.anchored = true;
    } else {
      a_.warnings.push_back(nuclide.nuclide.name() +
                            " appears only as a reference and the mass table has no value for it: "
                            "no anchor ties it to an absolute value");
    }
  }

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
  for (const Datum& datum : a_.data) {
    if (datum.kind == Datum::Kind::anchor && !datum.rejected && datum.uncertainty == 0.0) {
      fixed[datum.nuclide] = datum.value;
    }
  }

  // A group of nuclides is determined when some datum in it measures one
  // nuclide alone: an anchor, or an equation whose other side vanishes.
  std::vector<std::vector<std::pair<std::size_t, double>>> terms(a_.data.size());
  Components components(n);
  std::vector<bool> rooted(n, false);
  for (std::size_t d = 0; d < a_.data.size(); ++d) {
    terms[d] = terms_of(a_.data[d], a_, index_);
    if (a_.data[d].rejected) continue;
    if (terms[d].size() == 2) components.join(terms[d][0].first, terms[d][1].first);
  }
  for (std::size_t d = 0; d < a_.data.size(); ++d) {
    if (!a_.data[d].rejected && terms[d].size() == 1)
      rooted[components.find(terms[d][0].first)] = true;
  }
  std::vector<std::size_t> unknown(n, n);
  std::size_t unknowns = 0;
  std::vector<double> start;
  for (std::size_t i = 0; i < n; ++i) {
    NuclideResult& nuclide = a_.nuclides[i];
    nuclide.determined = rooted[components.find(i)];
    nuclide.fixed = fixed[i].has_value();
    nuclide.mass_excess = 0.0;
    nuclide.uncertainty = 0.0;
    if (nuclide.fixed) nuclide.mass_excess = *fixed[i];
    if (nuclide.determined && !nuclide.fixed) {
      unknown[i] = unknowns++;
      start.push_back(start_[i]);
    }
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

  if (unknowns > most_unknowns || rows.size() * unknowns > most_matrix_entries) {
    error = std::to_string(rows.size()) + " data on " + std::to_string(unknowns) +
            " nuclides are more than this dense adjustment takes (at most " +
            std::to_string(most_unknowns) + " nuclides and " + std::to_string(most_matrix_entries) +
            " data times nuclides)";
    return false;
  }
  const Eigen::Map<const Eigen::VectorXd> start_vector(start.data(),
                                                       static_cast<Eigen::Index>(start.size()));
  const Fit fit = solve_least_squares(rows, start_vector);
  if (!fit.full_rank) {
    error = "the data do not determine every nuclide they tie to an anchor (a singular system)";
    return false;
  }
  if (!std::isfinite(fit.chi2) || !fit.x.allFinite() || !fit.covariance.allFinite()) {
    error =
        "the adjustment has no finite result: values too large or uncertainties too small for "
        "double precision";
    return false;
  }

  std::vector<std::size_t> nuclide_of(unknowns);
  for (std::size_t i = 0; i < n; ++i) {
    if (unknown[i] < n) nuclide_of[unknown[i]] = i;
  }
  a_.covariance = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(n), static_cast<Eigen::Index>(n));
  for (std::size_t j = 0; j < unknowns; ++j) {
    const auto jj = static_cast<Eigen::Index>(j);
    a_.nuclides[nuclide_of[j]].mass_excess = fit.x(jj);
    a_.nuclides[nuclide_of[j]].uncertainty = std::sqrt(fit.covariance(jj, jj));
    for (std::size_t l = 0; l < unknowns; ++l) {
      a_.covariance(static_cast<Eigen::Index>(nuclide_of[j]),
                    static_cast<Eigen::Index>(nuclide_of[l])) =
          fit.covariance(jj, static_cast<Eigen::Index>(l));
    }
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
  if (a_.degrees_of_freedom > 0) a_.birge_ratio = std::sqrt(a_.chi2 / a_.degrees_of_freedom);
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
    const NuclideResult& reference = a_.nuclides[index_.at(equation.reference)];
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
                "their uncertainties multiplied by the Birge ratio %.3f; they are left as given",
                a_.chi2 / a_.degrees_of_freedom, a_.degrees_of_freedom, birge);
  a_.warnings.emplace_back(text);
}

}  // namespace

std::size_t Adjustment::flagged_count() const {
  std::size_t count = 0;
  for (const Datum& datum : data) count += datum.flagged && !datum.rejected ? 1 : 0;
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
  adjuster.warn_about_linear_form();
  adjuster.warn_about_birge_ratio();
  return true;
}

}  // namespace adjust
