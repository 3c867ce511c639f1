// adjustment_plot.cpp - nuclides and data into the sections of a plot::Figure.
#include "adjust/adjustment_plot.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "cli/number_text.h"
#include "nuclides/symbols.h"
#include "plot/nuclide_label.h"

namespace adjust {

namespace {

// A molecule by its atoms' isotopes (12C16O), anything else by its name
// as a reader writes it (134mCs).
plot::Label label_of(const Adjustment& a, const Nuclide& nuclide) {
  for (const NuclideResult& result : a.nuclides) {
    if (result.nuclide != nuclide || result.atoms.empty()) continue;
    std::string isotopes;
    for (const auto& [index, count] : result.atoms) {
      for (int i = 0; i < count; ++i) {
        if (!isotopes.empty()) isotopes += '+';
        isotopes += a.nuclides[index].nuclide.name();
      }
    }
    return plot::molecule_label(isotopes);
  }
  return plot::nuclide_label(nuclide.A, nuclide.symbol);
}

// The nuclide a datum is drawn with: the measured one of an equation.
const Nuclide& nuclide_of(const Adjustment& a, const Datum& datum) {
  return datum.kind == Datum::Kind::anchor ? a.nuclides[datum.nuclide].nuclide
                                           : a.equations[datum.equation].measured;
}

std::string signed_text(double value, const char* unit) {
  char text[64];
  std::snprintf(text, sizeof text, std::fabs(value) < 1.0e6 ? "%+.3f%s" : "%+.2e%s", value, unit);
  return text;
}

}  // namespace

plot::Figure adjustment_figure(const Adjustment& a, const std::string& title,
                               double kev_per_micro_u, bool in_sigma, plot::Size size) {
  const bool kev = kev_per_micro_u > 0.0 && !in_sigma;
  const double factor = kev ? kev_per_micro_u : 1.0;
  const char* unit = in_sigma ? "\u03c3" : kev ? " keV" : " \u03bcu";
  plot::Figure figure;
  figure.title = title;
  figure.size = size;
  figure.when_empty = "no adjusted nuclide";
  using plot::LegendEntry;
  using plot::Mark;
  figure.legend.push_back(
      {Mark::filled_circle, false, false, "adjusted \u2212 table, adjusted 1\u03c3 bar"});
  figure.legend.push_back(
      {Mark::filled_circle, false, true, "table's 1\u03c3; \u00b11 for residuals"});
  figure.legend.push_back(
      {Mark::clipped_band, false, false, "band beyond the frame, \u00b1 written"});
  figure.legend.push_back({Mark::small_circle, false, false, "bar shorter than its mark"});
  figure.legend.push_back({Mark::edge_triangle, false, false, "off the scale, its value written"});

  plot::Section masses;
  masses.axis_label = in_sigma ? "(adjusted \u2212 table) / combined \u03c3"
                      : kev    ? "adjusted \u2212 table (keV)"
                               : "adjusted \u2212 table (\u03bcu)";
  bool any_anchored = false;
  bool any_estimated = false;
  plot::Footnote not_in_table{"Not in the table:", {}};
  plot::Footnote not_determined{"Not determined:", {}};
  for (const NuclideResult& nuclide : a.nuclides) {
    if (!nuclide.determined) {
      not_determined.items.push_back({label_of(a, nuclide.nuclide), {}});
      continue;
    }
    if (!nuclide.table) {
      not_in_table.items.push_back({label_of(a, nuclide.nuclide), {}});
      continue;
    }
    plot::Point point;
    point.label = label_of(a, nuclide.nuclide);
    const double difference = nuclide.mass_excess - nuclide.table->mass_excess;
    const double sigma = std::sqrt(nuclide.uncertainty * nuclide.uncertainty +
                                   nuclide.table->uncertainty * nuclide.table->uncertainty);
    const double scale = in_sigma ? (sigma > 0.0 ? 1.0 / sigma : 0.0) : factor;
    point.value = difference * scale;
    point.error = nuclide.uncertainty * scale;
    point.band = nuclide.table->uncertainty * scale;
    if (in_sigma && !(sigma > 0.0)) point.value = std::nan("");
    point.band_estimated = nuclide.table->estimated;
    any_estimated = any_estimated || nuclide.table->estimated;
    point.mark = nuclide.anchored ? Mark::open_square : Mark::filled_circle;
    any_anchored = any_anchored || nuclide.anchored;
    if (sigma > 0.0 && std::fabs(difference) > 3.0 * sigma && !nuclide.table->estimated) {
      point.highlighted = true;
      point.caption = cli::sigma_count(std::fabs(difference) / sigma) + "\u03c3";
    }
    point.off_scale_text = signed_text(point.value, unit);
    masses.groups.push_back({{point}});
  }

  plot::Section residuals;
  residuals.heading = "Normalized residuals of the data";
  residuals.axis_label = "normalized residual";
  residuals.band = 1.0;
  std::map<Nuclide, plot::Group> by_nuclide;
  for (const Datum& datum : a.data) {
    if (!datum.used && !datum.rejected) continue;
    plot::Point point;
    point.label = label_of(a, nuclide_of(a, datum));
    point.value = datum.normalized_residual;
    point.mark = datum.rejected                      ? Mark::open_circle
                 : datum.kind == Datum::Kind::anchor ? Mark::open_square
                                                     : Mark::filled_circle;
    point.highlighted = datum.flagged && !datum.rejected;
    if (point.highlighted) point.caption = signed_text(datum.normalized_residual, "");
    point.off_scale_text = signed_text(datum.normalized_residual, "");
    by_nuclide[nuclide_of(a, datum)].points.push_back(std::move(point));
  }
  for (auto& [nuclide, group] : by_nuclide) residuals.groups.push_back(std::move(group));

  figure.sections.push_back(std::move(masses));
  if (!residuals.groups.empty()) figure.sections.push_back(std::move(residuals));
  bool any_highlighted = false, any_rejected = false;
  for (const plot::Section& section : figure.sections) {
    for (const plot::Group& group : section.groups) {
      for (const plot::Point& point : group.points) {
        any_highlighted = any_highlighted || point.highlighted;
        any_rejected = any_rejected || point.mark == Mark::open_circle;
      }
    }
  }
  if (any_highlighted) {
    figure.legend.push_back({Mark::filled_circle, true, false,
                             "over 3 combined \u03c3 from the table (\u03c3 under the label); "
                             "the flagged datum"});
  }
  if (any_rejected) figure.legend.push_back({Mark::open_circle, false, false, "rejected datum"});
  if (any_anchored) {
    figure.legend.push_back({Mark::open_square, false, false, "anchored at the table's value"});
  }
  if (any_estimated) {
    figure.legend.push_back(
        {Mark::filled_circle, false, true, "table's value from systematics (#)", true});
  }
  if (!not_in_table.items.empty()) figure.footnotes.push_back(std::move(not_in_table));
  if (!not_determined.items.empty()) figure.footnotes.push_back(std::move(not_determined));
  return figure;
}

}  // namespace adjust
