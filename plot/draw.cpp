// draw.cpp - panels, bands, bars, marks and text, in one pass over a layout.
#include "plot/draw.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace plot {

namespace {

struct Colour {
  double r, g, b;
};
// Okabe and Ito's palette, which readers with every common colour vision
// deficiency tell apart: blue for points, vermilion for red findings, sky
// blue for the table's band.
constexpr Colour ink = {0.13, 0.13, 0.13};
constexpr Colour quiet_ink = {0.33, 0.33, 0.33};
constexpr Colour blue = {0.0, 0.447, 0.698};
constexpr Colour vermilion = {0.835, 0.369, 0.0};
constexpr Colour band_fill = {0.78, 0.89, 0.96};
constexpr Colour band_edge = {0.337, 0.706, 0.914};
constexpr Colour grid = {0.90, 0.90, 0.90};
constexpr Colour divider = {0.72, 0.72, 0.72};

void colour(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void draw_mark(cairo_t* cr, Mark mark, double x, double y, double radius, Colour c) {
  cairo_new_path(cr);
  if (mark == Mark::edge_triangle) {
    colour(cr, c);
    cairo_move_to(cr, x, y - 1.3 * radius);
    cairo_line_to(cr, x - 1.3 * radius, y + 1.3 * radius);
    cairo_line_to(cr, x + 1.3 * radius, y + 1.3 * radius);
    cairo_close_path(cr);
    cairo_fill(cr);
    return;
  }
  if (mark == Mark::open_square) {
    cairo_rectangle(cr, x - radius, y - radius, 2 * radius, 2 * radius);
  } else if (mark == Mark::open_diamond) {
    const double d = radius * 1.35;
    cairo_move_to(cr, x, y - d);
    cairo_line_to(cr, x + d, y);
    cairo_line_to(cr, x, y + d);
    cairo_line_to(cr, x - d, y);
    cairo_close_path(cr);
  } else {
    cairo_arc(cr, x, y, mark == Mark::small_circle ? radius * 0.5 : radius, 0,
              2 * std::numbers::pi);
  }
  if (mark == Mark::filled_circle) {
    colour(cr, c);
    cairo_fill(cr);
    return;
  }
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  colour(cr, c);
  cairo_set_line_width(cr, radius * 0.4);
  cairo_stroke(cr);
}

void line(cairo_t* cr, double x0, double y0, double x1, double y1) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  cairo_stroke(cr);
}

void show_placed(cairo_t* cr, const PlacedText& text, Colour point_colour) {
  colour(cr, text.ink == PlacedText::quiet   ? quiet_ink
             : text.ink == PlacedText::point ? point_colour
                                             : ink);
  cairo_save(cr);
  cairo_translate(cr, text.x, text.y);
  if (text.upwards) cairo_rotate(cr, -std::numbers::pi / 2);
  cairo_move_to(cr, 0, 0);
  show(cr, text.text, text.size, text.bold);
  cairo_restore(cr);
}

// A band from -half to +half around zero, `left` to `right`: filled for a
// measured value, outlined and hatched for an estimate. Drawn inside the
// frame's clip, so a band beyond it is cut at the edge.
void draw_band(cairo_t* cr, double left, double right, double top, double bottom, bool estimated) {
  cairo_rectangle(cr, left, top, right - left, bottom - top);
  if (!estimated) {
    colour(cr, band_fill);
    cairo_fill(cr);
    return;
  }
  colour(cr, band_edge);
  cairo_set_line_width(cr, 0.7);
  cairo_stroke(cr);
  cairo_save(cr);
  cairo_rectangle(cr, left, top, right - left, bottom - top);
  cairo_clip(cr);
  cairo_set_line_width(cr, 0.5);
  const double step = 3.5;
  for (double d = -(bottom - top); d < right - left; d += step)
    line(cr, left + d, bottom, left + d + (bottom - top), top);
  cairo_restore(cr);
}

// Two short strokes across a band where the frame cuts it: it goes on.
void draw_cut(cairo_t* cr, double x, double half, double y) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 1.6);
  for (const double dy : {-1.6, 1.6}) line(cr, x - half, y + dy + 1.2, x + half, y + dy - 1.2);
}

void draw_panel(cairo_t* cr, const Shape& shape, const Panel& panel) {
  const Rect& f = panel.frame;
  const double radius = shape.text * 0.4;
  // Bands keep the width of a narrow column however wide the column is.
  const double half = std::min(panel.column_width, shape.text * 5.0) * 0.42;

  // Inside the frame: grid, bands, dividers, bars and marks, cut at its edge.
  cairo_save(cr);
  cairo_rectangle(cr, f.x, f.y, f.width, f.height);
  cairo_clip(cr);
  cairo_set_line_width(cr, 0.5);
  colour(cr, grid);
  const double first = std::ceil(panel.scale.low / panel.scale.step - 1e-9);
  const double last = std::floor(panel.scale.high / panel.scale.step + 1e-9);
  const bool ticks = std::fabs(first) < 1e9 && std::fabs(last) < 1e9 && last - first < 100.0;
  const long first_tick = ticks ? std::lround(first) : 1;
  const long last_tick = ticks ? std::lround(last) : 0;
  for (long t = first_tick; t <= last_tick; ++t) {
    const double y = panel.y_of(static_cast<double>(t) * panel.scale.step);
    line(cr, f.x, y, f.right(), y);
  }
  const double whole = std::fabs(panel.section->band);
  if (whole > 0.0 && std::isfinite(whole)) {
    draw_band(cr, f.x, f.right(), panel.y_of(whole), panel.y_of(-whole), false);
  }
  for (const Column& c : panel.columns) {
    const double band = std::fabs(c.point->band);
    if (!(band > 0.0)) continue;
    const double top = std::isfinite(band) ? panel.y_of(band) : f.y - 1.0;
    const double bottom = std::isfinite(band) ? panel.y_of(-band) : f.bottom() + 1.0;
    draw_band(cr, c.x - half, c.x + half, std::max(top, f.y - 1.0),
              std::min(bottom, f.bottom() + 1.0), c.point->band_estimated);
    if (c.band_clipped) {
      draw_cut(cr, c.x, half, f.y + shape.text * 0.5);
      draw_cut(cr, c.x, half, f.bottom() - shape.text * 0.5);
    }
  }
  // The cut bands' sizes go under the points, so that none hides a point.
  for (const Column& c : panel.columns) {
    for (const PlacedText& text : c.texts) {
      if (text.ink != PlacedText::quiet) continue;
      cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
      cairo_rectangle(cr, text.box.x, text.box.y, text.box.width, text.box.height);
      cairo_fill(cr);
      show_placed(cr, text, blue);
    }
  }
  if (panel.on_scale(0.0)) {
    colour(cr, ink);
    cairo_set_line_width(cr, 0.7);
    line(cr, f.x, panel.y_of(0.0), f.right(), panel.y_of(0.0));
  }
  colour(cr, divider);
  cairo_set_line_width(cr, 0.4);
  const double dash[] = {1.5, 1.5};
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
    const Colour pc = p.highlighted ? vermilion : blue;
    const double error = std::isfinite(p.error) ? std::fabs(p.error) : 0.0;
    colour(cr, pc);
    cairo_set_line_width(cr, shape.text * 0.12);
    if (error > 0.0) {
      const double top = panel.y_of(p.value + error);
      const double bottom = panel.y_of(p.value - error);
      const double cap = radius * 0.9;
      line(cr, c.x, top, c.x, bottom);
      line(cr, c.x - cap, top, c.x + cap, top);
      line(cr, c.x - cap, bottom, c.x + cap, bottom);
    }
    draw_mark(cr, c.small_mark ? Mark::small_circle : p.mark, c.x, panel.y_of(p.value), radius, pc);
  }
  cairo_restore(cr);

  // Triangles of off-scale points, on the frame's edge.
  for (const Column& c : panel.columns) {
    const Point& p = *c.point;
    if (std::isfinite(p.value) && panel.on_scale(p.value)) continue;
    colour(cr, p.highlighted ? vermilion : blue);
    const bool up = !(p.value < panel.scale.low);
    const double edge = up ? f.y + 1.0 : f.bottom() - 1.0;
    const double base = up ? edge + shape.text * 1.2 : edge - shape.text * 1.2;
    const double w = shape.text * 0.55;
    cairo_move_to(cr, c.x, edge);
    cairo_line_to(cr, c.x - w, base);
    cairo_line_to(cr, c.x + w, base);
    cairo_close_path(cr);
    cairo_fill(cr);
  }

  colour(cr, ink);
  cairo_set_line_width(cr, 0.8);
  cairo_rectangle(cr, f.x, f.y, f.width, f.height);
  cairo_stroke(cr);
  for (long t = first_tick; t <= last_tick; ++t) {
    const double y = panel.y_of(static_cast<double>(t) * panel.scale.step);
    line(cr, f.x - 3.0, y, f.x, y);
  }
  for (const PlacedText& text : panel.texts) show_placed(cr, text, blue);
  for (const Column& c : panel.columns) {
    for (const PlacedText& text : c.texts) {
      if (text.ink == PlacedText::quiet) continue;  // drawn under the points
      // A value inside the frame stays readable over the bar it crosses.
      if (text.box.y < f.bottom()) {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
        cairo_rectangle(cr, text.box.x, text.box.y, text.box.width, text.box.height);
        cairo_fill(cr);
      }
      show_placed(cr, text, c.point->highlighted ? vermilion : blue);
    }
  }
}

void draw_legend_swatch(cairo_t* cr, const Shape& shape, const Swatch& swatch) {
  const LegendEntry& entry = *swatch.entry;
  const double s = shape.text;
  const double mid = swatch.baseline - s * 0.35;
  if (entry.band || entry.mark == Mark::clipped_band) {
    const double left = swatch.x - s * 0.9;
    const double top = swatch.baseline - s * 0.85;
    draw_band(cr, left, swatch.x, top, swatch.baseline + s * 0.1, entry.estimated_band);
    if (entry.mark == Mark::clipped_band) draw_cut(cr, swatch.x - s * 0.45, s * 0.45, mid);
    return;
  }
  draw_mark(cr, entry.mark, swatch.x - s * 0.5, mid, s * 0.4, entry.highlighted ? vermilion : blue);
}

}  // namespace

void draw(cairo_t* cr, const Layout& layout, const Page& page) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  for (const Swatch& swatch : page.swatches) draw_legend_swatch(cr, layout.shape, swatch);
  for (const PlacedText& text : page.texts) show_placed(cr, text, blue);
  for (const Panel& panel : page.panels) draw_panel(cr, layout.shape, panel);
}

}  // namespace plot
