// layout.cpp - pages, panels, scales, columns and every text of a picture.
#include "plot/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace plot {

namespace {

constexpr double points_per_cm = 72.0 / 2.54;
// A journal's page holds about 23 cm of figure under its caption.
constexpr double page_height = 23.0 * points_per_cm;
constexpr double print_pixels_per_point = 300.0 / 72.0;  // 300 dpi

constexpr double group_gap = 0.6;  // in columns
// A column is as wide as a label turned up needs, with air on both sides.
constexpr double column_per_label = 1.6;

bool finite(double v) { return std::isfinite(v); }

double nice_step(double raw) {
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

// The gap between groups, in columns: none when no group holds more than
// one point, where the dividers alone keep them apart.
double gap_of(const Section& section) {
  for (const Group& g : section.groups) {
    if (g.points.size() > 1) return group_gap;
  }
  return 0.0;
}

// Columns a run of groups takes: its points and the gaps between groups.
double slots_of(std::size_t points, std::size_t groups, double gap) {
  return static_cast<double>(points) + gap * static_cast<double>(groups > 0 ? groups - 1 : 0);
}

// Groups of a section cut into panels of at most `limit` columns (gaps
// counted), about the same number in each, a group kept whole unless it
// alone is more than a panel holds: then its points are cut.
std::vector<std::vector<std::vector<const Point*>>> panels_of(const Section& section,
                                                              std::size_t limit) {
  std::vector<std::vector<const Point*>> groups;
  std::size_t total = 0;
  for (const Group& g : section.groups) {
    if (g.points.empty()) continue;
    for (std::size_t at = 0; at < g.points.size(); at += limit) {
      groups.emplace_back();
      for (std::size_t i = at; i < std::min(g.points.size(), at + limit); ++i)
        groups.back().push_back(&g.points[i]);
    }
    total += g.points.size();
  }
  std::vector<std::vector<std::vector<const Point*>>> panels;
  if (total == 0) return panels;
  const double gap = gap_of(section);
  const double whole = slots_of(total, groups.size(), gap);
  const double count = std::ceil(whole / static_cast<double>(limit));
  const double target = whole / count;
  double in_panel = 0.0;
  for (std::vector<const Point*>& g : groups) {
    const double needs = static_cast<double>(g.size()) + (in_panel > 0.0 ? gap : 0.0);
    if (panels.empty() || (in_panel > 0.0 && (in_panel + needs / 2.0 > target ||
                                              in_panel + needs > static_cast<double>(limit)))) {
      panels.emplace_back();
      in_panel = 0.0;
    }
    in_panel += panels.back().empty() ? static_cast<double>(g.size()) : needs;
    panels.back().push_back(std::move(g));
  }
  return panels;
}

std::string tick_text(double value, double step) {
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(value) < step * 1e-6 ? 0.0 : value);
  std::string out = text;
  if (out[0] == '-') out.replace(0, 1, "\u2212");  // a minus sign, not a hyphen
  return out;
}

// A band's half-height where the band is cut: two significant digits or so.
std::string band_text(double band) {
  char text[64];
  if (band >= 1.0e5 || band < 1.0e-3) {
    std::snprintf(text, sizeof text, "\u00b1%.1e", band);
  } else {
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(band))), 0, 4);
    std::snprintf(text, sizeof text, "\u00b1%.*f", decimals, band);
  }
  return text;
}

struct Measured {
  cairo_t* cr;
  PlacedText flat(const RichText& text, double size, double x, double baseline,
                  bool bold = false) const {
    const Extent e = extent_of(cr, text, size, bold);
    return {text,
            size,
            x,
            baseline,
            false,
            bold,
            PlacedText::plain,
            {x, baseline - e.ascent, e.width, e.ascent + e.descent}};
  }
  // Read upwards from (x, start); the glyphs reach left of x by the ascent.
  PlacedText upwards(const RichText& text, double size, double x, double start) const {
    const Extent e = extent_of(cr, text, size);
    return {text,
            size,
            x,
            start,
            true,
            false,
            PlacedText::plain,
            {x - e.ascent, start - e.width, e.ascent + e.descent, e.width}};
  }
  // Upwards, centred across `centre`.
  PlacedText upwards_centred(const RichText& text, double size, double centre, double start) const {
    const Extent e = extent_of(cr, text, size);
    return upwards(text, size, centre + (e.ascent - e.descent) / 2.0, start);
  }
  double width(const RichText& text, double size, bool bold = false) const {
    return width_of(cr, text, size, bold);
  }
};

// Pieces placed along rows no wider than `width` from `x0`; a piece wider
// than a row gets a row of its own. `before` is the room a legend's swatch
// takes in front of its text.
struct Piece {
  RichText text;
  const LegendEntry* entry = nullptr;
};

struct PageBuilder {
  const Figure& figure;
  const Shape shape;
  Measured m;
  double margin;  // around the page's content
  std::vector<Page> pages;
  double y = 0.0;
  std::vector<Piece> legend;

  double row() const { return shape.text * 1.75; }
  double bottom_limit() const { return shape.most_height - margin; }

  // `text` cut at its blanks into lines no wider than `room` (a word wider
  // than that is a line of its own).
  std::vector<RichText> lines_of(const RichText& text, double room) const {
    std::vector<RichText> lines(1);
    for (const Run& run : text) {
      std::size_t at = 0;
      while (at <= run.text.size()) {
        const std::size_t blank = std::min(run.text.find(' ', at), run.text.size());
        const std::string word = run.text.substr(at, blank - at + (blank < run.text.size()));
        at = blank + 1;
        if (word.empty()) continue;
        RichText longer = lines.back();
        longer.push_back({word, run.superscript});
        if (!lines.back().empty() && m.width(longer, shape.text) > room) {
          lines.push_back({{word, run.superscript}});
        } else {
          lines.back() = std::move(longer);
        }
      }
    }
    return lines;
  }

  void wrap(Page& page, const std::vector<Piece>& given, double spacing, PlacedText::Ink ink) {
    const double swatch = shape.text * 1.4;
    const double x0 = margin;
    const double right = shape.width - margin;
    if (given.empty()) return;
    // A piece wider than a row is cut into pieces that fit, each but the
    // first indented as if it had the swatch.
    std::vector<std::pair<Piece, double>> pieces;  // with the room before its text
    for (const Piece& piece : given) {
      const double before = piece.entry != nullptr ? swatch : 0.0;
      if (before + m.width(piece.text, shape.text) <= right - x0) {
        pieces.push_back({piece, before});
        continue;
      }
      const std::vector<RichText> lines = lines_of(piece.text, right - x0 - swatch);
      for (std::size_t i = 0; i < lines.size(); ++i)
        pieces.push_back({{lines[i], i == 0 ? piece.entry : nullptr}, before});
    }
    double x = x0;
    bool any = false;
    y += shape.text;  // the first row's ascent
    for (const auto& [piece, before] : pieces) {
      const double w = before + m.width(piece.text, shape.text);
      if (any && x + w > right) {
        x = x0;
        y += row();
      }
      if (piece.entry != nullptr) page.swatches.push_back({piece.entry, x + before - 3.0, y});
      PlacedText placed = m.flat(piece.text, shape.text, x + before, y);
      placed.ink = ink;
      page.texts.push_back(std::move(placed));
      x += w + spacing;
      any = true;
    }
    y += row() - shape.text;
  }

  void start_page() {
    pages.emplace_back();
    y = margin + shape.title * 1.3;  // the title's line, set when the pages are counted
    wrap(pages.back(), legend, shape.text * 1.5, PlacedText::plain);
    y += shape.text * 0.5;
  }

  // Room for `height` more on this page, a new page when not (unless the
  // page holds nothing yet, when the thing goes on it whatever its height).
  Page& room_for(double height, bool page_empty_of_panels) {
    if (y + height > bottom_limit() && !page_empty_of_panels) start_page();
    return pages.back();
  }
};

}  // namespace

Shape shape_of(Size size) {
  switch (size) {
    case Size::column:
      return {8.6 * points_per_cm, page_height, false, print_pixels_per_point, 7.0, 7.5, 8.5, 95.0};
    case Size::slide:
      // 960 x 540 points at two pixels each: text of 10 points is 20 pixels.
      return {960.0, 540.0, true, 2.0, 10.0, 12.0, 15.0, 150.0};
    case Size::page:
      break;
  }
  return {17.8 * points_per_cm, page_height, false, print_pixels_per_point, 8.0, 9.0, 10.0, 120.0};
}

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
  // The bars decide; a band joins only when it is not much larger than
  // them, so that a table's wide band never squeezes this work's bars into
  // dots: beyond, it is cut at the frame.
  const auto take = [&](const Point& p) {
    const double error = finite(p.error) ? std::fabs(p.error) : 0.0;
    if (!finite(p.value)) return;
    low = std::min(low, p.value - error);
    high = std::max(high, p.value + error);
    any = true;
  };
  for (const Point* p : points) {
    if (!p->highlighted) take(*p);
  }
  const double reach = std::max(-low, high);
  for (const Point* p : points) {
    const double band = std::fabs(p->band);
    if (!p->highlighted && finite(band) && (!any || band <= 1.5 * reach)) {
      low = std::min(low, -band);
      high = std::max(high, band);
    }
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
    const double most = std::max(-low, high);
    low = -most;
    high = most;
  }
  if (!(high - low > 0.0) || !finite(high - low)) {
    const double most = finite(high) && high > 0.0 ? high : 1.0;
    low = symmetric ? -most : std::min(low, 0.0);
    high = most;
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

namespace {

struct PanelPlan {
  const Section* section = nullptr;
  bool first_of_section = false;
  std::vector<std::vector<const Point*>> groups;
  Scale scale;
};

// The ticks on a scale, as `draw` sets them; none when the scale is too
// far from its step to count.
std::vector<double> ticks_of(const Scale& scale) {
  std::vector<double> ticks;
  const double first = std::ceil(scale.low / scale.step - 1e-9);
  const double last = std::floor(scale.high / scale.step + 1e-9);
  if (!(std::fabs(first) < 1e9 && std::fabs(last) < 1e9 && last - first < 100.0)) return ticks;
  for (long t = std::lround(first); t <= std::lround(last); ++t)
    ticks.push_back(static_cast<double>(t) * scale.step);
  return ticks;
}

// An axis label in one line, or two when one is longer than the frame.
std::vector<std::string> axis_lines(const Measured& m, const std::string& label, double size,
                                    double room) {
  if (m.width(rich(label), size) <= room) return {label};
  std::size_t best = std::string::npos;
  for (std::size_t at = label.find(' '); at != std::string::npos; at = label.find(' ', at + 1)) {
    if (best == std::string::npos ||
        std::fabs(static_cast<double>(at) - static_cast<double>(label.size()) / 2.0) <
            std::fabs(static_cast<double>(best) - static_cast<double>(label.size()) / 2.0))
      best = at;
  }
  if (best == std::string::npos) return {label};
  return {label.substr(0, best), label.substr(best + 1)};
}

}  // namespace

Layout lay_out(const Figure& figure, cairo_t* measure) {
  Layout layout;
  layout.shape = shape_of(figure.size);
  const Shape& shape = layout.shape;
  const Measured m{measure};
  const double margin = std::max(6.0, shape.text);
  const double mark_radius = shape.text * 0.4;
  const double line = shape.text * 1.25;

  // Panels and their scales first: they decide the left margin (tick values
  // and axis labels) and which legend entries have something to explain.
  const double label_height = [&] {
    const Extent e = extent_of(measure, rich(Label{"134m", "Cs", "2+"}), shape.label);
    return e.ascent + e.descent;
  }();
  std::vector<PanelPlan> plans;
  double tick_width = 0.0;
  std::size_t axis_line_count = 1;
  bool any_off_scale = false;
  bool any_small = false;
  bool any_clipped = false;
  // The width the panels will have, for how many columns they take; the
  // left margin is known only later but varies little.
  const double rough_room = shape.width - 2.0 * margin - 6.0 * shape.text;
  std::size_t limit = static_cast<std::size_t>(
      std::max(1.0, std::floor(rough_room / (label_height * column_per_label))));
  if (figure.points_per_panel > 0)
    limit = std::min(limit, static_cast<std::size_t>(figure.points_per_panel));
  for (const Section& section : figure.sections) {
    bool first = true;
    for (auto& groups : panels_of(section, limit)) {
      PanelPlan plan;
      plan.section = &section;
      plan.first_of_section = first;
      first = false;
      std::vector<const Point*> points;
      for (const auto& g : groups) points.insert(points.end(), g.begin(), g.end());
      // The section's band always shows whole: it is what the points are
      // read against.
      Point reference;
      reference.error = section.band;
      if (section.band > 0.0) points.push_back(&reference);
      plan.scale = scale_for(points, section.symmetric);
      for (const Point* p : points) {
        if (p == &reference) continue;
        const bool on = p->value >= plan.scale.low && p->value <= plan.scale.high;
        any_off_scale = any_off_scale || !on;
        const double per_value = shape.frame_height / (plan.scale.high - plan.scale.low);
        const double error = finite(p->error) ? std::fabs(p->error) : 0.0;
        any_small = any_small || (on && error > 0.0 && error * per_value < mark_radius + 2.0);
        any_clipped = any_clipped || std::fabs(p->band) > plan.scale.high;
      }
      for (const double t : ticks_of(plan.scale))
        tick_width = std::max(tick_width, m.width(rich(tick_text(t, plan.scale.step)), shape.text));
      axis_line_count =
          std::max(axis_line_count,
                   axis_lines(m, section.axis_label, shape.text, shape.frame_height - 4.0).size());
      plan.groups = std::move(groups);
      plans.push_back(std::move(plan));
    }
  }
  const double frame_left =
      margin + static_cast<double>(axis_line_count) * line + 4.0 + tick_width + 6.0;
  const double frame_right = shape.width - margin;
  const double inner_width = frame_right - frame_left;

  PageBuilder pages{figure, shape, m, margin, {}, 0.0, {}};
  for (const LegendEntry& entry : figure.legend) {
    if (entry.mark == Mark::edge_triangle && !entry.band && !any_off_scale) continue;
    if (entry.mark == Mark::small_circle && !entry.band && !any_small) continue;
    if (entry.mark == Mark::clipped_band && !any_clipped) continue;
    pages.legend.push_back({rich(entry.text), &entry});
  }
  pages.start_page();

  for (const PanelPlan& plan : plans) {
    Panel panel;
    panel.section = plan.section;
    panel.scale = plan.scale;
    std::size_t count = 0;
    for (const auto& g : plan.groups) count += g.size();
    const double gap = gap_of(*plan.section);
    const double slots = slots_of(count, plan.groups.size(), gap);
    const double room = inner_width - 2.0 * mark_radius;
    double widest_label = 0.0;
    for (const auto& g : plan.groups) {
      for (const Point* p : g)
        widest_label = std::max(widest_label, m.width(label_text(*p), shape.label));
    }
    // A few points get columns wide enough for their labels to lie flat;
    // many share the width, their labels turned up.
    const double widest_column = std::max(shape.text * 7.0, widest_label + shape.label);
    panel.column_width = std::min(room / slots, widest_column);
    const bool rotated = widest_label + shape.label * 0.5 > panel.column_width;
    const double label_gap = shape.label * 0.5;
    const double labels_height =
        (rotated ? widest_label : label_height) + label_gap + shape.text * 0.8;
    const bool heading = plan.first_of_section && !plan.section->heading.empty();
    const double heading_height = heading ? shape.text * 2.2 : 0.0;
    const double height = heading_height + shape.frame_height + labels_height;
    Page& page = pages.room_for(height, pages.pages.back().panels.empty());
    double top = pages.y;
    if (heading) {
      panel.texts.push_back(m.flat(rich(plan.section->heading), shape.text * 1.1, margin,
                                   top + shape.text * 1.3, true));
      top += heading_height;
    }
    // Half a line above the frame for the rise of the topmost tick value.
    panel.frame = {frame_left, top + shape.text * 0.5, inner_width, shape.frame_height};
    pages.y = top + shape.text * 0.5 + shape.frame_height + labels_height;
    const Rect& f = panel.frame;

    for (const double t : ticks_of(panel.scale)) {
      const RichText text = rich(tick_text(t, panel.scale.step));
      const double w = m.width(text, shape.text);
      panel.texts.push_back(
          m.flat(text, shape.text, f.x - 5.0 - w, panel.y_of(t) + shape.text * 0.35));
    }
    const std::vector<std::string> axis =
        axis_lines(m, plan.section->axis_label, shape.text, shape.frame_height - 4.0);
    for (std::size_t i = 0; i < axis.size(); ++i) {
      const RichText text = rich(axis[i]);
      const double w = m.width(text, shape.text);
      const double x = margin + line * static_cast<double>(i + 1) - shape.text * 0.3;
      panel.texts.push_back(m.upwards(text, shape.text, x, f.y + (f.height + w) / 2.0));
    }

    double x = f.x + (f.width - panel.column_width * slots) / 2.0 + panel.column_width / 2.0;
    const double per_value = f.height / (panel.scale.high - panel.scale.low);
    for (const auto& g : plan.groups) {
      bool starts = true;
      for (const Point* p : g) {
        if (starts && !panel.columns.empty()) x += panel.column_width * gap;
        Column column;
        column.point = p;
        column.x = x;
        column.starts_group = starts && !panel.columns.empty();
        starts = false;
        x += panel.column_width;
        const bool on = finite(p->value) && panel.on_scale(p->value);
        const double error = finite(p->error) ? std::fabs(p->error) : 0.0;
        column.small_mark = on && error > 0.0 && error * per_value < mark_radius + 2.0;
        const double band = std::fabs(p->band);
        column.band_clipped = finite(band) ? band > panel.scale.high : band > 0.0;

        const RichText label = label_text(*p);
        if (rotated) {
          const double w = m.width(label, shape.label);
          column.texts.push_back(
              m.upwards_centred(label, shape.label, column.x, f.bottom() + label_gap + w));
        } else {
          const double w = m.width(label, shape.label);
          const Extent e = extent_of(measure, label, shape.label);
          column.texts.push_back(
              m.flat(label, shape.label, column.x - w / 2.0, f.bottom() + label_gap + e.ascent));
        }
        // Values at the frame's edges, stacked inward from each edge: the
        // off-scale value beside its triangle, then the cut band's size.
        double from_top = f.y + 1.0;
        double from_bottom = f.bottom() - 1.0;
        const double triangle = shape.text * 1.2;
        if (!on) {
          const bool up = !(p->value < panel.scale.low);
          const RichText text = rich(p->off_scale_text);
          const double w = m.width(text, shape.text);
          if (up) {
            from_top += triangle + 2.0;
            PlacedText placed = m.upwards_centred(text, shape.text, column.x, from_top + w);
            placed.ink = PlacedText::point;
            if (!p->off_scale_text.empty()) column.texts.push_back(std::move(placed));
            from_top += w + 3.0;
          } else {
            from_bottom -= triangle + 2.0;
            PlacedText placed = m.upwards_centred(text, shape.text, column.x, from_bottom);
            placed.ink = PlacedText::point;
            if (!p->off_scale_text.empty()) column.texts.push_back(std::move(placed));
            from_bottom -= w + 3.0;
          }
        }
        if (column.band_clipped) {
          const RichText text = rich(band_text(band));
          const double w = m.width(text, shape.text * 0.9);
          const double start = from_top + shape.text * 0.6;
          if (start + w < from_bottom) {
            PlacedText placed = m.upwards_centred(text, shape.text * 0.9, column.x, start + w);
            placed.ink = PlacedText::quiet;
            column.texts.push_back(std::move(placed));
          }
        }
        panel.columns.push_back(std::move(column));
      }
    }
    page.panels.push_back(std::move(panel));
  }
  if (plans.empty()) {
    static const Section nothing;
    Panel panel;
    panel.section = figure.sections.empty() ? &nothing : &figure.sections.front();
    panel.frame = {frame_left, pages.y + shape.text * 0.5, inner_width, shape.frame_height};
    const RichText text = rich(figure.when_empty);
    const double w = m.width(text, shape.text * 1.2);
    PlacedText placed = m.flat(text, shape.text * 1.2, panel.frame.x + (inner_width - w) / 2.0,
                               panel.frame.y + panel.frame.height / 2.0);
    placed.ink = PlacedText::quiet;
    panel.texts.push_back(std::move(placed));
    pages.y = panel.frame.bottom() + shape.text * 2.0;
    pages.pages.back().panels.push_back(std::move(panel));
  }

  for (const Footnote& note : figure.footnotes) {
    std::vector<Piece> pieces;
    pieces.push_back({rich(note.lead), nullptr});
    for (std::size_t i = 0; i < note.items.size(); ++i) {
      RichText text = rich(note.items[i].label);
      if (!note.items[i].detail.empty()) text.push_back({" " + note.items[i].detail, false});
      if (i + 1 < note.items.size()) text.push_back({note.separator, false});
      pieces.push_back({text, nullptr});
    }
    // Row by row, so that a long list goes on over a page break.
    Page scratch;
    pages.wrap(scratch, pieces, shape.text * 0.4, PlacedText::quiet);
    double shift = 0.0;
    double row_baseline = -1.0;
    double bottom = pages.y;
    for (PlacedText& text : scratch.texts) {
      if (text.y != row_baseline) {
        row_baseline = text.y;
        if (text.y + shift + shape.text * 0.5 > pages.bottom_limit()) {
          pages.start_page();
          shift = pages.y + shape.text - text.y;
        }
      }
      text.y += shift;
      text.box.y += shift;
      bottom = std::max(bottom, text.box.bottom());
      pages.pages.back().texts.push_back(std::move(text));
    }
    pages.y = bottom + shape.text * 0.3;
  }

  // The titles, now that the pages are counted.
  const std::size_t count = pages.pages.size();
  for (std::size_t i = 0; i < count; ++i) {
    Page& page = pages.pages[i];
    std::string title = figure.title;
    if (count > 1) {
      title += "  (" + std::to_string(i + 1) + " of " + std::to_string(count) + ")";
    }
    page.texts.insert(page.texts.begin(),
                      m.flat(rich(title), shape.title, margin, margin + shape.title, true));
  }
  for (std::size_t i = 0; i < count; ++i) {
    Page& page = pages.pages[i];
    double bottom = 0.0;
    for (const PlacedText& t : page.texts) bottom = std::max(bottom, t.box.bottom());
    for (const Panel& panel : page.panels) {
      bottom = std::max(bottom, panel.frame.bottom());
      for (const Column& c : panel.columns) {
        for (const PlacedText& t : c.texts) bottom = std::max(bottom, t.box.bottom());
      }
    }
    page.height = shape.fixed_height ? shape.most_height : std::ceil(bottom + margin);
  }
  layout.pages = std::move(pages.pages);
  return layout;
}

}  // namespace plot
