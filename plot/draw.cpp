// draw.cpp - panels, bands, bars, marks and text, in one pass over a layout.
#include "plot/draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace plot {

namespace {

struct Colour {
  double r, g, b;
};
constexpr Colour ink = {0.13, 0.13, 0.13};
constexpr Colour quiet_ink = {0.33, 0.33, 0.33};
constexpr Colour blue = {0.12, 0.31, 0.61};
constexpr Colour red = {0.78, 0.16, 0.13};
constexpr Colour band_fill = {0.80, 0.87, 0.95};
constexpr Colour grid = {0.90, 0.90, 0.90};
constexpr Colour divider = {0.72, 0.72, 0.72};

constexpr double mark_radius = 3.4;
constexpr double bar_cap = 3.0;

void colour(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void draw_mark(cairo_t* cr, Mark mark, double x, double y, Colour c) {
  cairo_new_path(cr);
  if (mark == Mark::edge_triangle) {
    colour(cr, c);
    cairo_move_to(cr, x, y - 4.5);
    cairo_line_to(cr, x - 4.5, y + 4.5);
    cairo_line_to(cr, x + 4.5, y + 4.5);
    cairo_close_path(cr);
    cairo_fill(cr);
    return;
  }
  if (mark == Mark::open_square) {
    cairo_rectangle(cr, x - mark_radius, y - mark_radius, 2 * mark_radius, 2 * mark_radius);
  } else {
    cairo_arc(cr, x, y, mark_radius, 0, 2 * std::numbers::pi);
  }
  if (mark == Mark::filled_circle) {
    colour(cr, c);
    cairo_fill(cr);
    return;
  }
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  colour(cr, c);
  cairo_set_line_width(cr, 1.4);
  cairo_stroke(cr);
}

void line(cairo_t* cr, double x0, double y0, double x1, double y1) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  cairo_stroke(cr);
}

// Text read upwards, its start at (x, y).
void show_upwards(cairo_t* cr, const RichText& text, double size, double x, double y) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_rotate(cr, -std::numbers::pi / 2);
  cairo_move_to(cr, 0, 0);
  show(cr, text, size);
  cairo_restore(cr);
}

void show_at(cairo_t* cr, const RichText& text, double size, double x, double y,
             bool bold = false) {
  cairo_move_to(cr, x, y);
  show(cr, text, size, bold);
}

std::string tick_text(double value, double step) {
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(value) < step * 1e-6 ? 0.0 : value);
  std::string out = text;
  if (out[0] == '-') out.replace(0, 1, "\u2212");  // a minus sign, not a hyphen
  return out;
}

void draw_panel(cairo_t* cr, const Panel& panel) {
  const Rect& f = panel.frame;
  // Bands keep the width of a narrow column however wide the column is.
  const double cw = std::min(panel.column_width, widest_band);
  if (panel.heading_baseline > 0.0) {
    colour(cr, ink);
    show_at(cr, rich(panel.section->heading), 12.0, 14.0, panel.heading_baseline, true);
  }

  // Inside the frame: grid, bands, dividers, bars and marks, cut at its edge.
  cairo_save(cr);
  cairo_rectangle(cr, f.x, f.y, f.width, f.height);
  cairo_clip(cr);
  cairo_set_line_width(cr, 0.6);
  colour(cr, grid);
  // The layout keeps about five steps in a frame; the bound only guards the
  // conversion to an integer.
  const double first = std::ceil(panel.scale.low / panel.scale.step - 1e-9);
  const double last = std::floor(panel.scale.high / panel.scale.step + 1e-9);
  const bool ticks = std::fabs(first) < 1e9 && std::fabs(last) < 1e9 && last - first < 100.0;
  const long first_tick = ticks ? std::lround(first) : 1;
  const long last_tick = ticks ? std::lround(last) : 0;
  for (long t = first_tick; t <= last_tick; ++t) {
    const double y = panel.y_of(static_cast<double>(t) * panel.scale.step);
    line(cr, f.x, y, f.right(), y);
  }
  colour(cr, band_fill);
  for (const Column& c : panel.columns) {
    const double band = std::fabs(c.point->band);
    if (!(band > 0.0) || !std::isfinite(band)) continue;
    const double top = panel.y_of(band);
    cairo_rectangle(cr, c.x - cw * 0.42, top, cw * 0.84, panel.y_of(-band) - top);
    cairo_fill(cr);
  }
  if (panel.on_scale(0.0)) {
    colour(cr, ink);
    cairo_set_line_width(cr, 0.9);
    line(cr, f.x, panel.y_of(0.0), f.right(), panel.y_of(0.0));
  }
  colour(cr, divider);
  cairo_set_line_width(cr, 0.5);
  const double dash[] = {2.0, 2.0};
  cairo_set_dash(cr, dash, 2, 0);
  for (std::size_t i = 1; i < panel.columns.size(); ++i) {
    if (!panel.columns[i].starts_group) continue;
    const double x = (panel.columns[i - 1].x + panel.columns[i].x) / 2.0;
    line(cr, x, f.y, x, f.bottom());
  }
  cairo_set_dash(cr, nullptr, 0, 0);
  for (const Column& c : panel.columns) {
    const Point& p = *c.point;
    if (!std::isfinite(p.value) || !panel.on_scale(p.value)) continue;
    const Colour pc = p.highlighted ? red : blue;
    const double error = std::isfinite(p.error) ? std::fabs(p.error) : 0.0;
    colour(cr, pc);
    cairo_set_line_width(cr, 1.3);
    if (error > 0.0) {
      const double top = panel.y_of(p.value + error);
      const double bottom = panel.y_of(p.value - error);
      line(cr, c.x, top, c.x, bottom);
      line(cr, c.x - bar_cap, top, c.x + bar_cap, top);
      line(cr, c.x - bar_cap, bottom, c.x + bar_cap, bottom);
    }
    draw_mark(cr, p.mark, c.x, panel.y_of(p.value), pc);
  }
  cairo_restore(cr);

  // Notes and edge markers may reach over the frame's edge a little.
  for (const Column& c : panel.columns) {
    const Point& p = *c.point;
    const Colour pc = p.highlighted ? red : blue;
    colour(cr, pc);
    const bool off = !std::isfinite(p.value) || !panel.on_scale(p.value);
    std::string note = p.note;
    if (off) {
      const bool up = !(p.value < panel.scale.low);
      const double edge = up ? f.y + 1.0 : f.bottom() - 1.0;
      const double base = up ? edge + 9.0 : edge - 9.0;
      cairo_move_to(cr, c.x, edge);
      cairo_line_to(cr, c.x - 4.5, base);
      cairo_line_to(cr, c.x + 4.5, base);
      cairo_close_path(cr);
      cairo_fill(cr);
      const std::string text =
          p.off_scale_text + (note.empty() || p.off_scale_text.empty() ? "" : "  ") + note;
      const RichText rt = rich(text);
      const double w = width_of(cr, rt, text_font);
      show_upwards(cr, rt, text_font, c.x + 4.0, up ? base + 3.0 + w : base - 3.0);
      continue;
    }
    if (note.empty()) continue;
    const RichText rt = rich(note);
    const double w = width_of(cr, rt, text_font);
    const double error = std::isfinite(p.error) ? std::fabs(p.error) : 0.0;
    const double top = std::max(panel.y_of(p.value + error), f.y) - mark_radius - 3.0;
    const double bottom = std::min(panel.y_of(p.value - error), f.bottom()) + mark_radius + 3.0;
    if (top - w >= f.y) {
      show_upwards(cr, rt, text_font, c.x + 4.0, top);
    } else if (bottom + w <= f.bottom()) {
      show_upwards(cr, rt, text_font, c.x + 4.0, bottom + w);
    } else {
      // No room along the bar: across, on the side with the room.
      const double right = c.x + mark_radius + 3.0;
      const double x = right + w <= f.right() + 6.0 ? right : c.x - mark_radius - 3.0 - w;
      show_at(cr, rt, text_font, x, panel.y_of(p.value) + 4.0);
    }
  }

  colour(cr, ink);
  cairo_set_line_width(cr, 1.0);
  cairo_rectangle(cr, f.x, f.y, f.width, f.height);
  cairo_stroke(cr);
  for (long t = first_tick; t <= last_tick; ++t) {
    const double v = static_cast<double>(t) * panel.scale.step;
    const double y = panel.y_of(v);
    line(cr, f.x - 3.0, y, f.x, y);
    const RichText text = rich(tick_text(v, panel.scale.step));
    show_at(cr, text, text_font, f.x - 5.0 - width_of(cr, text, text_font), y + 4.0);
  }
  const RichText axis = rich(panel.section->axis_label);
  show_upwards(cr, axis, text_font, 16.0,
               f.y + f.height / 2.0 + width_of(cr, axis, text_font) / 2.0);

  for (const Column& c : panel.columns) {
    const RichText label = label_text(*c.point);
    const double w = width_of(cr, label, label_font);
    if (panel.rotated_labels) {
      show_upwards(cr, label, label_font, c.x + label_font * 0.36, f.bottom() + 6.0 + w);
    } else {
      show_at(cr, label, label_font, c.x - w / 2.0, f.bottom() + 6.0 + label_font);
    }
  }
}

void draw_legend_swatch(cairo_t* cr, const LegendEntry& entry, double x, double baseline) {
  if (entry.band) {
    colour(cr, band_fill);
    cairo_rectangle(cr, x - 13.0, baseline - 9.0, 10.0, 10.0);
    cairo_fill(cr);
    return;
  }
  draw_mark(cr, entry.mark, x - 8.0, baseline - 4.0, entry.highlighted ? red : blue);
}

}  // namespace

void draw(cairo_t* cr, const Figure& figure, const Layout& layout) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  colour(cr, ink);
  show_at(cr, rich(figure.title), title_font, 14.0, layout.title_baseline, true);
  for (const TextRow& row : layout.legend) {
    for (const Placed& piece : row.pieces) {
      if (piece.entry != nullptr) draw_legend_swatch(cr, *piece.entry, piece.x, row.baseline);
      colour(cr, ink);
      show_at(cr, piece.text, text_font, piece.x, row.baseline);
    }
  }
  bool any_point = false;
  for (const Panel& panel : layout.panels) {
    draw_panel(cr, panel);
    any_point = any_point || !panel.columns.empty();
  }
  if (!any_point) {
    const Rect& f = layout.panels.front().frame;
    const RichText text = rich(figure.when_empty);
    colour(cr, quiet_ink);
    show_at(cr, text, 13.0, f.x + (f.width - width_of(cr, text, 13.0)) / 2.0,
            f.y + f.height / 2.0 - 8.0);
  }
  colour(cr, quiet_ink);
  for (const TextRow& row : layout.footnotes) {
    for (const Placed& piece : row.pieces)
      show_at(cr, piece.text, text_font, piece.x, row.baseline);
  }
}

}  // namespace plot
