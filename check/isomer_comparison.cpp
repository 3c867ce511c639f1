// isomer_comparison.cpp - E* from two ratios or over the table's ground
// state, beside the table's excitation energy.
#include "check/isomer_comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_map>

#include "check/sigmas_apart.h"
#include "cli/number_text.h"
#include "conversion/constants.h"
#include "nuclides/physical_limits.h"

namespace check {

double IsomerComparison::combined_sigma() const {
  return std::hypot(measured.uncertainty, table->uncertainty);
}

double IsomerComparison::sigmas() const { return sigmas_apart(difference(), combined_sigma()); }

namespace {

// The ground state's line of the same block and charge state nearest to
// `isomer`, or null; `in_block` holds the indices of the block's measured
// ground states, in the order of `lines`.
const StateLine* ground_line_for(const StateLine& isomer, const std::vector<StateLine>& lines,
                                 const std::vector<std::size_t>& in_block) {
  const StateLine* nearest = nullptr;
  for (const std::size_t index : in_block) {
    const StateLine& candidate = lines[index];
    if (candidate.charge != isomer.charge || candidate.A != isomer.A ||
        candidate.state.element != isomer.state.element || candidate.state.letter != ' ')
      continue;
    if (nearest == nullptr ||
        std::llabs(candidate.line - isomer.line) < std::llabs(nearest->line - isomer.line))
      nearest = &candidate;
  }
  return nearest;
}

}  // namespace

std::vector<IsomerComparison> compare_isomers(const std::vector<StateLine>& lines,
                                              const nuclides::NubaseTable* properties) {
  // A file may hold a million lines: an isomer looks only at its own
  // block's ground states.
  std::unordered_map<int, std::vector<std::size_t>> grounds;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const StateLine& line = lines[index];
    if (!line.reference && line.ratio && line.state.letter == ' ')
      grounds[line.block].push_back(index);
  }
  static const std::vector<std::size_t> none;
  std::vector<IsomerComparison> result;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const StateLine& line = lines[index];
    if (line.state.letter == ' ' || !std::isfinite(line.value)) continue;
    IsomerComparison compared;
    compared.from = index;
    compared.line = line.line;
    compared.block = line.block;
    compared.nuclide = line.nuclide;
    const auto in_block = grounds.find(line.block);
    const StateLine* ground =
        line.ratio
            ? ground_line_for(line, lines, in_block == grounds.end() ? none : in_block->second)
            : nullptr;
    if (ground != nullptr && *ground->ratio > 0.0) {
      // The ground state ion's mass enters only as the scale of a quotient
      // a millionth from 1: its binding energies (eV) do not matter.
      const double ion =
          ground->A * 1.0e6 + ground->value - ground->charge * conversion::electron_mass;
      compared.measured = nuclides::excitation_from_ratios(
          *line.ratio, line.ratio_sigma, *ground->ratio, ground->ratio_sigma, ion);
      compared.ground_line = ground->line;
    } else if (line.ground) {
      compared.measured = {(line.value - line.ground->mass_excess) * conversion::kev_per_micro_u,
                           line.sigma_over_ground * conversion::kev_per_micro_u};
    } else {
      continue;
    }
    if (!std::isfinite(compared.measured.value) || !std::isfinite(compared.measured.uncertainty))
      continue;
    const nuclides::NuclearState* state =
        properties == nullptr ? nullptr
                              : properties->find(line.A, line.state.element, line.state.letter);
    if (properties == nullptr) {
      compared.not_compared = "no table of excitation energies";
    } else if (state == nullptr) {
      compared.not_compared = "not in the table";
    } else if (state->non_existent) {
      compared.not_compared = "\"non-exist\" in the table";
    } else if (!state->excitation) {
      compared.not_compared = "no excitation energy in the table";
    } else {
      compared.table = state->excitation;
      compared.order_uncertain = state->order_uncertain;
      compared.order_reversed = state->order_reversed;
    }
    result.push_back(std::move(compared));
  }
  return result;
}

std::optional<Finding> isomer_finding(const IsomerComparison& c, const std::string& table_name,
                                      const LinePlace& place) {
  if (!c.table || !(std::fabs(c.sigmas()) > nuclides::sigma_limit)) return std::nullopt;
  // Below the ground state or beyond any isomer's 10 MeV the isomer is
  // reported as impossible already; its distance from the table adds nothing.
  if (c.measured.value < 0.0 ||
      c.measured.value > nuclides::isomer_excitation_limit * conversion::kev_per_micro_u)
    return std::nullopt;
  Finding finding = place.at(0, c.table->estimated ? FindingKind::isomer_excitation_systematics
                                                   : FindingKind::isomer_excitation_far);
  finding.with("nuclide", c.nuclide)
      .choice("from", c.ground_line != 0 ? 1 : 0)
      .count("ground_line", c.ground_line)
      .with("value", cli::fixed(c.measured.value, 4), c.measured.value)
      .with("sigma", cli::fixed(c.measured.uncertainty, 4), c.measured.uncertainty)
      .with("sigmas", cli::sigma_count(std::fabs(c.sigmas())), c.sigmas())
      .with("table", table_name)
      .with("table_value", cli::fixed(c.table->value, 4), c.table->value)
      .with("table_sigma", cli::fixed(c.table->uncertainty, 4), c.table->uncertainty)
      .choice("order", c.order_reversed    ? 2
                       : c.order_uncertain ? 1
                                           : 0);
  return finding;
}

void print_isomer_comparison(const std::vector<IsomerComparison>& compared,
                             const std::string& table_described) {
  if (compared.empty()) return;
  std::printf("isomers: excitation energies in keV beside %s:\n", table_described.c_str());
  std::vector<std::vector<std::string>> rows{{"line", "nuclide", "block", "E*", "+/-", "from",
                                              "table E*", "+/-", "", "difference", "sigma", ""}};
  bool estimated = false;
  for (const IsomerComparison& c : compared) {
    std::vector<std::string> row{std::to_string(c.line),
                                 c.nuclide,
                                 std::to_string(c.block),
                                 cli::fixed(c.measured.value, 4),
                                 cli::fixed(c.measured.uncertainty, 4),
                                 c.ground_line != 0
                                     ? "ratios, line " + std::to_string(c.ground_line)
                                     : "table ground state"};
    if (c.table) {
      estimated = estimated || c.table->estimated;
      const std::string flags = c.order_reversed    ? "& reversed order"
                                : c.order_uncertain ? "* order uncertain"
                                                    : "";
      row.insert(row.end(), {cli::fixed(c.table->value, 4), cli::fixed(c.table->uncertainty, 4),
                             c.table->estimated ? "#" : "", cli::fixed(c.difference(), 4),
                             cli::sigma_count(c.sigmas()), flags});
    } else {
      row.push_back(c.not_compared);
    }
    rows.push_back(std::move(row));
  }
  // Numbers right-aligned, names and notes left-aligned; a row without a
  // table value ends in a note that runs on freely.
  const std::vector<bool> left{false, true,  true, false, false, true,
                               false, false, true, false, false, true};
  std::vector<std::size_t> widths(left.size(), 0);
  for (const auto& row : rows) {
    const std::size_t aligned = row.size() == left.size() ? row.size() : row.size() - 1;
    for (std::size_t i = 0; i < aligned; ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : rows) {
    std::string text;
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::size_t width = row.size() == left.size() || i + 1 < row.size() ? widths[i] : 0;
      const std::size_t pad = width - std::min(width, row[i].size());
      if (i > 0) text += "  ";
      if (!left[i]) text.append(pad, ' ');
      text += row[i];
      if (left[i]) text.append(pad, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::printf("%s\n", text.c_str());
  }
  if (estimated) {
    std::printf(
        "# from systematics in the table, not measured: a difference from it says little\n");
  }
}

}  // namespace check
