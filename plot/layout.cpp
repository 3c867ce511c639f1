// layout.cpp - panels, scales, columns and wrapped text of a picture.
#include "plot/layout.h"

#include <algorithm>
#include <cmath>

namespace plot {

namespace {

constexpr double margin_left = 64.0;  // tick values and the rotated axis label
constexpr double margin_right = 10.0;
constexpr double margin_bottom = 12.0;
constexpr double frame_height = 150.0;
constexpr double panel_gap = 14.0;
constexpr double text_row = 15.0;      // baseline to baseline of 11 pt text
constexpr double swatch_width = 14.0;  // the legend's mark before its text
constexpr double group_gap = 0.6;      // in columns
constexpr double frame_padding = 5.0;  // between the frame and its outer bands

bool finite(double v) { return std::isfinite(v); }

double nice_step(double raw) {
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

// Points of a section cut into panels: about the same number in each, a
// group kept whole unless it alone is more than a panel holds.
std::vector<std::vector<const Group*>> panels_of(const Section& section, int per_panel) {
  std::size_t total = 0;
  for (const Group& g : section.groups) total += g.points.size();
  std::vector<std::vector<const Group*>> panels;
  if (total == 0) return panels;
  const std::size_t limit = static_cast<std::size_t>(std::max(per_panel, 1));
  const std::size_t count = (total + limit - 1) / limit;
  const std::size_t target = (total + count - 1) / count;
  std::size_t in_panel = 0;
  for (const Group& g : section.groups) {
    if (g.points.empty()) continue;
    if (panels.empty() ||
        (in_panel > 0 && (in_panel >= target || in_panel + g.points.size() > limit))) {
      panels.emplace_back();
      in_panel = 0;
    }
    panels.back().push_back(&g);
    in_panel += g.points.size();
  }
  return panels;
}

// Places `pieces` (each with the width it needs) along rows no wider than
// `width`, starting at `x0`; a piece wider than a row gets a row of its own.
struct Piece {
  RichText text;
  const LegendEntry* entry = nullptr;
  double width = 0.0;
};

void wrap(std::vector<TextRow>& rows, const std::vector<Piece>& pieces, double x0, double width,
          double spacing, double& baseline) {
  TextRow row;
  double x = x0;
  for (const Piece& piece : pieces) {
    if (!row.pieces.empty() && x + piece.width > x0 + width) {
      row.baseline = baseline;
      rows.push_back(std::move(row));
      row = TextRow();
      baseline += text_row;
      x = x0;
    }
    row.pieces.push_back(
        {x + (piece.entry != nullptr ? swatch_width : 0.0), piece.text, piece.entry});
    x += piece.width + spacing;
  }
  if (!row.pieces.empty()) {
    row.baseline = baseline;
    rows.push_back(std::move(row));
    baseline += text_row;
  }
}

}  // namespace

RichText label_text(const Point& point) {
  RichText text = rich(point.label);
  if (!point.caption.empty()) text.push_back({"  " + point.caption, false});
  return text;
}

double Panel::y_of(double value) const {
  return frame.y + (scale.high - value) / (scale.high - scale.low) * frame.height;
}

Scale scale_for(const std::vector<const Point*>& points, bool symmetric) {
  double low = 0.0;
  double high = 0.0;
  bool any = false;
  const auto take = [&](const Point& p) {
    const double error = finite(p.error) ? std::fabs(p.error) : 0.0;
    if (finite(p.band)) {
      low = std::min(low, -std::fabs(p.band));
      high = std::max(high, std::fabs(p.band));
    }
    if (!finite(p.value)) return;
    low = std::min(low, p.value - error);
    high = std::max(high, p.value + error);
    any = true;
  };
  for (const Point* p : points) {
    if (!p->highlighted) take(*p);
  }
  // A highlighted point joins the scale when it would not squeeze the rest
  // to less than a third of the frame; beyond, it goes on the edge.
  const double span = high - low;
  for (const Point* p : points) {
    if (!p->highlighted || !finite(p->value)) continue;
    const double error = finite(p->error) ? std::fabs(p->error) : 0.0;
    const double bottom = std::min(low, p->value - error);
    const double top = std::max(high, p->value + error);
    bool fits = !any;
    if (any && symmetric) fits = std::max(-bottom, top) <= 3.0 * std::max(-low, high);
    if (any && !symmetric) fits = top - bottom <= 3.0 * span;
    if (fits) {
      low = bottom;
      high = top;
      any = true;
    }
  }
  if (symmetric) {
    const double m = std::max(-low, high);
    low = -m;
    high = m;
  }
  if (!(high - low > 0.0) || !finite(high - low)) {
    const double m = finite(high) && high > 0.0 ? high : 1.0;
    low = symmetric ? -m : std::min(low, 0.0);
    high = m;
    if (!(high - low > 0.0) || !finite(low)) low = high - 1.0;
  }
  // The frame ends a little beyond the largest extent, not on the next
  // round number: rounding up could leave half the frame empty. The ticks
  // fall on round numbers inside it.
  Scale scale;
  const double margin = (high - low) * 0.05;
  scale.high = high + margin;
  scale.low = symmetric ? -scale.high : low < 0.0 ? low - margin : low;
  scale.step = nice_step((scale.high - scale.low) / 5.0);
  // Spans near the ends of the double range (a denormal difference, one of
  // 1e308) leave no usable step: a plain scale then, every point on it at
  // its edge.
  if (!(scale.step > 0.0) || !finite(scale.step) || !finite(scale.high - scale.low) ||
      !(scale.high - scale.low > 0.0)) {
    scale = Scale();
  }
  return scale;
}

Layout lay_out(const Figure& figure, cairo_t* measure) {
  Layout layout;
  const double inner_width = layout.width - margin_left - margin_right;
  double y = 22.0;
  layout.title_baseline = y;
  y += 20.0;

  // The scales decide whether any point sits on an edge, which the legend
  // then explains; the panels are placed below the legend.
  bool any_off_scale = false;
  for (const Section& section : figure.sections) {
    for (const std::vector<const Group*>& groups : panels_of(section, figure.points_per_panel)) {
      std::vector<const Point*> points;
      for (const Group* g : groups) {
        for (const Point& p : g->points) points.push_back(&p);
      }
      const Scale scale = scale_for(points, section.symmetric);
      for (const Point* p : points) {
        any_off_scale = any_off_scale || !(p->value >= scale.low && p->value <= scale.high);
      }
    }
  }
  std::vector<Piece> legend;
  for (const LegendEntry& entry : figure.legend) {
    if (entry.mark == Mark::edge_triangle && !entry.band && !any_off_scale) continue;
    const RichText text = rich(entry.text);
    legend.push_back({text, &entry, swatch_width + width_of(measure, text, text_font)});
  }
  wrap(layout.legend, legend, 14.0, layout.width - 14.0 - margin_right, 16.0, y);
  y += 6.0;

  std::size_t left_out = 0;
  for (const Section& section : figure.sections) {
    bool first = true;
    for (const std::vector<const Group*>& groups : panels_of(section, figure.points_per_panel)) {
      if (layout.panels.size() >= static_cast<std::size_t>(std::max(figure.most_panels, 1))) {
        for (const Group* g : groups) left_out += g->points.size();
        continue;
      }
      Panel panel;
      panel.section = &section;
      if (first && !section.heading.empty()) {
        panel.heading_baseline = y + 12.0;
        y += 20.0;
      }
      first = false;
      panel.frame = {margin_left, y, inner_width, frame_height};
      std::vector<const Point*> points;
      for (const Group* g : groups) {
        for (const Point& p : g->points) points.push_back(&p);
      }
      panel.scale = scale_for(points, section.symmetric);
      const double slots =
          static_cast<double>(points.size()) + group_gap * static_cast<double>(groups.size() - 1);
      const double room = inner_width - 2.0 * frame_padding;
      double widest_label = 0.0;
      for (const Point* p : points)
        widest_label = std::max(widest_label, width_of(measure, label_text(*p), label_font));
      // A few points get columns wide enough for their labels to lie flat;
      // many share the width, their labels turned up.
      panel.column_width = std::min(room / slots, std::max(widest_band, widest_label + 6.0));
      double x =
          margin_left + (inner_width - panel.column_width * slots) / 2.0 + panel.column_width / 2.0;
      for (const Group* g : groups) {
        bool starts = true;
        for (const Point& p : g->points) {
          if (starts && !panel.columns.empty()) x += panel.column_width * group_gap;
          panel.columns.push_back({&p, x, starts});
          starts = false;
          x += panel.column_width;
        }
      }
      panel.rotated_labels = widest_label + 4.0 > panel.column_width;
      y += frame_height + (panel.rotated_labels ? widest_label + 10.0 : label_font + 12.0) +
           panel_gap;
      layout.panels.push_back(std::move(panel));
    }
  }
  if (layout.panels.empty()) {
    static const Section nothing;
    Panel panel;
    panel.section = figure.sections.empty() ? &nothing : &figure.sections.front();
    panel.frame = {margin_left, y, inner_width, frame_height};
    y += frame_height + panel_gap + 10.0;
    layout.panels.push_back(std::move(panel));
  }

  y += 4.0;
  if (left_out > 0) {
    const RichText text =
        rich(std::to_string(left_out) + " further points not drawn: a picture holds " +
             std::to_string(figure.most_panels) + " panels");
    wrap(layout.footnotes, {{text, nullptr, width_of(measure, text, text_font)}}, 14.0,
         layout.width - 14.0 - margin_right, 5.0, y);
  }
  for (const Footnote& note : figure.footnotes) {
    std::vector<Piece> pieces;
    const RichText lead = rich(note.lead);
    pieces.push_back({lead, nullptr, width_of(measure, lead, text_font)});
    for (std::size_t i = 0; i < note.items.size(); ++i) {
      RichText text = rich(note.items[i].label);
      if (!note.items[i].detail.empty()) text.push_back({" " + note.items[i].detail, false});
      if (i + 1 < note.items.size()) text.push_back({note.separator, false});
      pieces.push_back({text, nullptr, width_of(measure, text, text_font)});
    }
    wrap(layout.footnotes, pieces, 14.0, layout.width - 14.0 - margin_right, 5.0, y);
  }
  // y is the baseline a further row would take; the last row's descent
  // and the margin end the page.
  layout.height = std::ceil(layout.footnotes.empty() ? y : y - text_row + 4.0 + margin_bottom);
  return layout;
}

}  // namespace plot
