// adjustment_plot.cpp - nuclides and data into the sections of a plot::Figure.
#include "adjust/adjustment_plot.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "cli/number_text.h"

namespace adjust {

namespace {

plot::Label label_of(const Nuclide& nuclide) {
  return {std::to_string(nuclide.A), nuclide.symbol, {}};
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
                               double kev_per_micro_u) {
  const bool kev = kev_per_micro_u > 0.0;
  const double factor = kev ? kev_per_micro_u : 1.0;
  plot::Figure figure;
  figure.title = title;
  figure.when_empty = "no adjusted nuclide";
  using plot::LegendEntry;
  using plot::Mark;
  figure.legend.push_back(
      {Mark::filled_circle, false, false, "adjusted \u2212 table, adjusted 1\u03c3 bar"});
  figure.legend.push_back(
      {Mark::filled_circle, false, true, "table's 1\u03c3; \u00b11 for residuals"});
  figure.legend.push_back({Mark::open_square, false, false, "anchored at the table's value"});
  figure.legend.push_back({Mark::edge_triangle, false, false, "off the scale, its value written"});

  plot::Section masses;
  masses.axis_label = kev ? "adjusted \u2212 table (keV)" : "adjusted \u2212 table (\u03bcu)";
  plot::Footnote not_in_table{"Not in the table:", {}};
  plot::Footnote not_determined{"Not determined:", {}};
  for (const NuclideResult& nuclide : a.nuclides) {
    if (!nuclide.determined) {
      not_determined.items.push_back({label_of(nuclide.nuclide), {}});
      continue;
    }
    if (!nuclide.table) {
      not_in_table.items.push_back({label_of(nuclide.nuclide), {}});
      continue;
    }
    plot::Point point;
    point.label = label_of(nuclide.nuclide);
    point.value = (nuclide.mass_excess - nuclide.table->mass_excess) * factor;
    point.error = nuclide.uncertainty * factor;
    point.band = nuclide.table->uncertainty * factor;
    point.mark = nuclide.anchored ? Mark::open_square : Mark::filled_circle;
    const double sigma = std::sqrt(nuclide.uncertainty * nuclide.uncertainty +
                                   nuclide.table->uncertainty * nuclide.table->uncertainty) *
                         factor;
    if (sigma > 0.0 && std::fabs(point.value) > 3.0 * sigma) {
      point.highlighted = true;
      point.note = cli::sigma_count(std::fabs(point.value) / sigma) + "\u03c3";
    }
    point.off_scale_text = signed_text(point.value, kev ? " keV" : " \u03bcu");
    masses.groups.push_back({{point}});
  }

  plot::Section residuals;
  residuals.heading = "Normalized residuals of the data";
  residuals.axis_label = "(value \u2212 adjusted) / uncertainty";
  std::map<Nuclide, plot::Group> by_nuclide;
  for (const Datum& datum : a.data) {
    if (!datum.used && !datum.rejected) continue;
    plot::Point point;
    point.label = label_of(nuclide_of(a, datum));
    point.value = datum.normalized_residual;
    point.band = 1.0;
    point.mark = datum.rejected                      ? Mark::open_circle
                 : datum.kind == Datum::Kind::anchor ? Mark::open_square
                                                     : Mark::filled_circle;
    point.highlighted = datum.flagged && !datum.rejected;
    if (point.highlighted) point.note = signed_text(datum.normalized_residual, "");
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
                             "over 3 combined \u03c3 from the table; the flagged datum"});
  }
  if (any_rejected) figure.legend.push_back({Mark::open_circle, false, false, "rejected datum"});
  if (!not_in_table.items.empty()) figure.footnotes.push_back(std::move(not_in_table));
  if (!not_determined.items.empty()) figure.footnotes.push_back(std::move(not_determined));
  return figure;
}

}  // namespace adjust
