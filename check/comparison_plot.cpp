// comparison_plot.cpp - Compared entries into sections, groups and points.
#include "check/comparison_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "cli/number_text.h"
#include "nuclides/symbols.h"

namespace check {

namespace {

std::string charge_text(std::int32_t charge) {
  if (charge == 0) return {};
  const std::string sign = charge > 0 ? "+" : "-";
  const long magnitude = std::labs(static_cast<long>(charge));
  return magnitude == 1 ? sign : std::to_string(magnitude) + sign;
}

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
  std::string symbol = compared.nuclide;
  const std::string A = std::to_string(compared.A);
  if (symbol.compare(0, A.size(), A) == 0) symbol.erase(0, A.size());
  plot::Label label{A, symbol, charge_text(compared.charge)};
  if (compared.kind == nuclides::SymbolKind::isomer) {
    // The isomer's letter (134Csm) goes with the mass number: 134m Cs.
    std::size_t element = symbol.size();
    while (element > 0 && !nuclides::is_element(symbol.substr(0, element))) --element;
    if (element > 0) {
      label.before += symbol.substr(element);
      label.text = symbol.substr(0, element);
    }
  }
  return label;
}

plot::Figure comparison_figure(const std::vector<Compared>& compared,
                               const ComparisonPlotSettings& settings) {
  const bool kev = settings.in_kev && settings.kev_per_micro_u > 0.0;
  const double factor = kev ? settings.kev_per_micro_u : 1.0;
  const char* unit = kev ? "keV" : "\u03bcu";
  // Excitation energies are quoted in keV, whatever unit the differences use.
  const bool isomers_in_kev = settings.kev_per_micro_u > 0.0;
  const double isomer_factor = isomers_in_kev ? settings.kev_per_micro_u : 1.0;
  const char* isomer_unit = isomers_in_kev ? "keV" : "\u03bcu";

  SectionBuilder measurements, isomers, references;
  plot::Footnote listed_references{"References, not drawn (--plot-references draws them):", {}};
  // The reasons may hold commas: the items are kept apart by semicolons.
  plot::Footnote not_compared{"Not compared:", {}, ";"};
  std::map<std::string, std::string> reference_blocks;  // label -> "blocks 1, 3"
  std::vector<plot::Label> reference_order;
  bool any_uncorrected = false;
  bool any_far = false;

  for (const Compared& c : compared) {
    const plot::Label label = ion_label(c);
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
    if (!c.table) {
      not_compared.items.push_back(
          {label, "line " + std::to_string(c.line) + ": " + c.not_compared});
      continue;
    }
    plot::Point point;
    point.label = label;
    point.value = c.difference() * factor;
    point.error = c.sigma * factor;
    point.band = c.table->uncertainty * factor;
    point.off_scale_text = short_value(point.value, unit);
    if (c.kind == nuclides::SymbolKind::isomer) {
      // The excitation energy itself is the news; its band would sit at zero,
      // far from the point, so the bar carries the ground state's share too.
      point.value = c.difference() * isomer_factor;
      point.error = c.combined_sigma() * isomer_factor;
      point.band = 0.0;
      point.caption = value_with_error(point.value, point.error, isomer_unit);
      point.off_scale_text = short_value(point.value, isomer_unit);
      isomers.add(c, std::move(point));
      continue;
    }
    point.mark = c.reference   ? plot::Mark::open_square
                 : c.corrected ? plot::Mark::filled_circle
                               : plot::Mark::open_circle;
    any_uncorrected = any_uncorrected || (!c.corrected && !c.reference);
    point.highlighted = std::fabs(c.sigmas()) > 3.0;
    any_far = any_far || point.highlighted;
    if (point.highlighted) point.note = sigma_note(c.sigmas());
    (c.reference ? references : measurements).add(c, std::move(point));
  }

  plot::Figure figure;
  figure.title = settings.title;
  figure.when_empty = "no measurement to compare with the table";
  using plot::LegendEntry;
  using plot::Mark;
  figure.legend.push_back(
      {Mark::filled_circle, false, false, "this work \u2212 table, this work's 1\u03c3 bar"});
  figure.legend.push_back({Mark::filled_circle, false, true, "table's 1\u03c3 around zero"});
  if (any_far) {
    figure.legend.push_back({Mark::filled_circle, true, false,
                             "over 3 combined \u03c3 from the table (\u03c3 written)"});
  }
  if (any_uncorrected) {
    figure.legend.push_back(
        {Mark::open_circle, false, false, "no binding-energy correction (energy missing)"});
  }
  if (settings.references) {
    figure.legend.push_back(
        {Mark::open_square, false, false, "reference: its value in the file \u2212 table"});
  }
  figure.legend.push_back({Mark::edge_triangle, false, false, "off the scale, its value written"});

  const std::string axis = std::string("this work \u2212 table (") + unit + ")";
  if (!measurements.groups.empty() || (isomers.groups.empty() && references.groups.empty())) {
    figure.sections.push_back(measurements.section("", axis, true));
  }
  if (!isomers.groups.empty()) {
    figure.sections.push_back(
        isomers.section("Isomers: excitation energy over the table's ground state",
                        std::string("E* (") + isomer_unit + ")", false));
  }
  if (!references.groups.empty()) {
    figure.sections.push_back(
        references.section("References: the file's value \u2212 table",
                           std::string("reference \u2212 table (") + unit + ")", true));
  }
  for (const plot::Label& label : reference_order) {
    listed_references.items.push_back({label, "(" + reference_blocks[label.plain()] + ")"});
  }
  if (!listed_references.items.empty()) figure.footnotes.push_back(std::move(listed_references));
  if (!not_compared.items.empty()) figure.footnotes.push_back(std::move(not_compared));
  return figure;
}

}  // namespace check
