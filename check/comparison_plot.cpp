// comparison_plot.cpp - Compared entries into sections, groups and points.
#include "check/comparison_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "cli/number_text.h"
#include "nuclides/symbols.h"
#include "plot/nuclide_label.h"

namespace check {

namespace {

// A value beside a mark: three significant digits or so, with its sign.
std::string short_value(double value, const char* unit) {
  char text[64];
  const double size = std::fabs(value);
  const int decimals = size >= 100.0 ? 0 : size >= 10.0 ? 1 : size >= 1.0 ? 2 : 3;
  if (!std::isfinite(value)) return value > 0 ? "+\u221e" : value < 0 ? "\u2212\u221e" : "?";
  if (size >= 1.0e7 || (size < 0.001 && size > 0.0)) {
    std::snprintf(text, sizeof text, "%+.2e %s", value, unit);
  } else {
    std::snprintf(text, sizeof text, "%+.*f %s", decimals, value, unit);
  }
  std::string out = text;
  if (out[0] == '-') out.replace(0, 1, "\u2212");
  return out;
}

// "138.74 ± 0.02 keV": the value to the decimals of its uncertainty's
// second significant digit.
std::string value_with_error(double value, double error, const char* unit) {
  int decimals = 0;
  if (error > 0.0 && std::isfinite(error)) {
    decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(error))), 0, 6);
  }
  char text[96];
  std::snprintf(text, sizeof text, "%.*f \u00b1 %.*f %s", decimals, value, decimals, error, unit);
  std::string out = text;
  if (out[0] == '-') out.replace(0, 1, "\u2212");
  return out;
}

std::string sigma_note(double sigmas) {
  return (std::isinf(sigmas) ? std::string("\u221e") : cli::sigma_count(std::fabs(sigmas))) +
         "\u03c3";
}

using GroupKey = std::tuple<std::int32_t, std::string, std::string>;  // A, superscript, symbol

struct SectionBuilder {
  std::map<GroupKey, plot::Group> groups;
  void add(const Compared& c, plot::Point point) {
    groups[{c.A, point.label.before, point.label.text}].points.push_back(std::move(point));
  }
  plot::Section section(std::string heading, std::string axis, bool symmetric) {
    plot::Section s;
    s.heading = std::move(heading);
    s.axis_label = std::move(axis);
    s.symmetric = symmetric;
    for (auto& [key, group] : groups) s.groups.push_back(std::move(group));
    return s;
  }
};

}  // namespace

plot::Label ion_label(const Compared& compared) {
  if (compared.kind == nuclides::SymbolKind::molecule && compared.table &&
      !compared.compared_with.empty()) {
    return plot::molecule_label(compared.compared_with, compared.charge);
  }
  std::string symbol = compared.nuclide;
  const std::string A = std::to_string(compared.A);
  if (symbol.compare(0, A.size(), A) == 0) symbol.erase(0, A.size());
  return plot::nuclide_label(compared.A, symbol, compared.charge);
}

plot::Figure comparison_figure(const std::vector<Compared>& compared,
                               const ComparisonPlotSettings& settings) {
  const bool kev = settings.in_kev && settings.kev_per_micro_u > 0.0;
  const double factor = kev ? settings.kev_per_micro_u : 1.0;
  const char* unit = settings.in_sigma ? "\u03c3" : kev ? "keV" : "\u03bcu";
  // Excitation energies are quoted in keV, whatever unit the differences use.
  const char* isomer_unit = settings.in_sigma ? "\u03c3" : "keV";

  SectionBuilder measurements, isomers, references;
  plot::Footnote listed_references{"References, not drawn (--plot-references draws them):", {}};
  // The reasons may hold commas: the items are kept apart by semicolons.
  plot::Footnote not_compared{"Not compared:", {}, ";"};
  std::set<std::int64_t> with_excitation;  // isomer lines with an E*
  if (settings.isomers != nullptr) {
    for (const IsomerComparison& e : *settings.isomers) with_excitation.insert(e.line);
  }
  std::map<std::string, std::string> reference_blocks;  // label -> "blocks 1, 3"
  std::vector<plot::Label> reference_order;
  bool any_uncorrected = false;
  bool any_far = false;
  bool any_estimated = false;
  bool any_null = false;
  // The nuclide of the block's reference, for a measurement of itself.
  std::pair<int, std::string> block_reference{-1, {}};

  // A difference and its two uncertainties as drawn: in the unit, or in
  // combined standard deviations.
  const auto place = [&](plot::Point& point, double difference, double own, double table,
                         double in_unit) {
    const double combined = std::sqrt(own * own + table * table);
    const double scale = settings.in_sigma ? (combined > 0.0 ? 1.0 / combined : 0.0) : in_unit;
    point.value = difference * scale;
    point.error = own * scale;
    point.band = table * scale;
    point.off_scale_text = short_value(point.value, settings.in_sigma ? "\u03c3" : unit);
    if (settings.in_sigma && !(combined > 0.0)) point.value = std::nan("");
  };

  for (const Compared& c : compared) {
    const plot::Label label = ion_label(c);
    if (c.reference) block_reference = {c.block, c.nuclide};
    if (c.reference && !settings.references) {
      const std::string key = label.plain();
      auto [at, fresh] = reference_blocks.try_emplace(key, "block " + std::to_string(c.block));
      if (fresh) {
        reference_order.push_back(label);
      } else {
        if (at->second.rfind("blocks", 0) != 0) at->second.replace(0, 5, "blocks");
        at->second += ", " + std::to_string(c.block);
      }
      continue;
    }
    if (c.kind == nuclides::SymbolKind::isomer && settings.isomers == nullptr) {
      not_compared.items.push_back(
          {label, "line " + std::to_string(c.line) + ": no table of excitation energies"});
      continue;
    }
    if (c.kind == nuclides::SymbolKind::isomer) {
      // Drawn from its E* below; an isomer whose E* has nothing to be
      // worked out from is said, not left out.
      if (!with_excitation.contains(c.line)) {
        not_compared.items.push_back(
            {label, "line " + std::to_string(c.line) +
                        ": no E*, its ground state is neither measured nor in the mass table"});
      }
      continue;
    }
    if (!c.table) {
      not_compared.items.push_back(
          {label, "line " + std::to_string(c.line) + ": " + c.not_compared});
      continue;
    }
    plot::Point point;
    point.label = label;
    place(point, c.difference(), c.sigma, c.table->uncertainty, factor);
    point.band_estimated = c.table->estimated;
    any_estimated = any_estimated || c.table->estimated;
    const bool null_equation =
        !c.reference && block_reference.first == c.block && block_reference.second == c.nuclide;
    point.mark = c.reference     ? plot::Mark::open_square
                 : null_equation ? plot::Mark::open_diamond
                 : c.corrected   ? plot::Mark::filled_circle
                                 : plot::Mark::open_circle;
    any_null = any_null || null_equation;
    any_uncorrected = any_uncorrected || (!c.corrected && !c.reference && !null_equation);
    // An estimate from systematics is no finding however far it lies.
    point.highlighted = std::fabs(c.sigmas()) > 3.0 && !c.table->estimated;
    any_far = any_far || point.highlighted;
    if (point.highlighted) point.caption = sigma_note(c.sigmas());
    (c.reference ? references : measurements).add(c, std::move(point));
  }

  if (settings.isomers != nullptr && settings.state_lines != nullptr) {
    for (const IsomerComparison& e : *settings.isomers) {
      const StateLine& from = (*settings.state_lines)[e.from];
      if (from.reference && !settings.references) continue;
      std::string symbol =
          e.nuclide.substr(std::min(e.nuclide.size(), std::to_string(from.A).size()));
      const plot::Label label = plot::nuclide_label(from.A, symbol, from.charge);
      if (!e.table) {
        not_compared.items.push_back(
            {label, "line " + std::to_string(e.line) + ": " +
                        (e.not_compared.empty() ? "no table E*" : e.not_compared)});
        continue;
      }
      plot::Point point;
      point.label = label;
      place(point, e.difference(), e.measured.uncertainty, e.table->uncertainty, 1.0);
      point.band_estimated = e.table->estimated;
      any_estimated = any_estimated || e.table->estimated;
      point.highlighted = std::fabs(e.sigmas()) > 3.0 && !e.table->estimated;
      any_far = any_far || point.highlighted;
      point.caption = std::string(e.table->estimated ? "table # " : "table ") +
                      value_with_error(e.table->value, e.table->uncertainty, "keV");
      if (point.highlighted) point.caption += "  " + sigma_note(e.sigmas());
      Compared key;
      key.A = from.A;
      isomers.add(key, std::move(point));
    }
  }

  plot::Figure figure;
  figure.title = settings.title;
  figure.size = settings.size;
  figure.when_empty = "no measurement to compare with the table";
  using plot::LegendEntry;
  using plot::Mark;
  figure.legend.push_back(
      {Mark::filled_circle, false, false, "this work \u2212 table, this work's 1\u03c3 bar"});
  figure.legend.push_back({Mark::filled_circle, false, true, "table's 1\u03c3 around zero"});
  if (any_estimated) {
    figure.legend.push_back(
        {Mark::filled_circle, false, true, "table's value from systematics (#)", true});
  }
  figure.legend.push_back(
      {Mark::clipped_band, false, false, "band beyond the frame, \u00b1 written"});
  if (any_far) {
    figure.legend.push_back({Mark::filled_circle, true, false,
                             "over 3 combined \u03c3 from the table (\u03c3 under the label)"});
  }
  if (any_null) {
    figure.legend.push_back({Mark::open_diamond, false, false,
                             "the reference's own nuclide: tests the binding energies"});
  }
  if (any_uncorrected) {
    figure.legend.push_back(
        {Mark::open_circle, false, false, "no binding-energy correction (energy missing)"});
  }
  if (settings.references) {
    figure.legend.push_back(
        {Mark::open_square, false, false, "reference: its value in the file \u2212 table"});
  }
  figure.legend.push_back({Mark::small_circle, false, false, "bar shorter than its mark"});
  figure.legend.push_back({Mark::edge_triangle, false, false, "off the scale, its value written"});

  const std::string axis = settings.in_sigma
                               ? std::string("(this work \u2212 table) / combined \u03c3")
                               : std::string("this work \u2212 table (") + unit + ")";
  if (!measurements.groups.empty() || (isomers.groups.empty() && references.groups.empty())) {
    figure.sections.push_back(measurements.section("", axis, true));
  }
  if (!isomers.groups.empty()) {
    figure.sections.push_back(
        isomers.section("Isomers: excitation energy, this work \u2212 table",
                        settings.in_sigma ? std::string("(E* \u2212 table E*) / combined \u03c3")
                                          : std::string("E* \u2212 table E* (") + isomer_unit + ")",
                        true));
  }
  if (!references.groups.empty()) {
    figure.sections.push_back(references.section(
        "References: the file's value \u2212 table",
        settings.in_sigma ? std::string("(reference \u2212 table) / combined \u03c3")
                          : std::string("reference \u2212 table (") + unit + ")",
        true));
  }
  for (const plot::Label& label : reference_order) {
    listed_references.items.push_back({label, "(" + reference_blocks[label.plain()] + ")"});
  }
  if (!listed_references.items.empty()) figure.footnotes.push_back(std::move(listed_references));
  if (!not_compared.items.empty()) figure.footnotes.push_back(std::move(not_compared));
  return figure;
}

}  // namespace check
