// layout.h - where everything of a Figure goes, before anything is drawn.
//
// The size of a PDF or SVG page must be known before its first mark, and
// the height depends on the text (legend and footnotes wrap, rotated labels
// take their length below the axis), so the picture is laid out once, with
// the same font measurements the drawing uses, then drawn from the layout.
// Coordinates are points of the 16 cm picture, y growing down the page.
#pragma once

#include <cairo.h>

#include <vector>

#include "plot/figure.h"
#include "plot/text.h"

namespace plot {

inline constexpr double picture_width = 160.0 / 25.4 * 72.0;  // 16 cm in points
inline constexpr double widest_band = 56.0;  // a column's band and dividers never get wider

struct Rect {
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
  double right() const { return x + width; }
  double bottom() const { return y + height; }
};

// The values a panel's frame spans, bottom to top, and its tick spacing.
struct Scale {
  double low = -1.0;
  double high = 1.0;
  double step = 0.5;
};

struct Column {
  const Point* point = nullptr;
  double x = 0.0;             // centre
  bool starts_group = false;  // a divider goes on its left (not for the first column)
};

struct Panel {
  const Section* section = nullptr;
  double heading_baseline = 0.0;  // 0: no heading above this panel
  Rect frame;
  Scale scale;
  double column_width = 0.0;
  std::vector<Column> columns;
  bool rotated_labels = false;
  // Page position of `value` on this panel's scale; `frame.y` for
  // `scale.high`, `frame.bottom()` for `scale.low`.
  double y_of(double value) const;
  bool on_scale(double value) const { return value >= scale.low && value <= scale.high; }
};

// A line of the legend or of a footnote: pieces placed along one baseline.
struct Placed {
  double x = 0.0;
  RichText text;
  const LegendEntry* entry = nullptr;  // legend: the swatch goes before `x`
};
struct TextRow {
  double baseline = 0.0;
  std::vector<Placed> pieces;
};

struct Layout {
  double width = picture_width;
  double height = 0.0;
  double title_baseline = 0.0;
  std::vector<TextRow> legend;
  std::vector<Panel> panels;
  std::vector<TextRow> footnotes;
};

// The text under the axis for `point`: its label, then its caption.
RichText label_text(const Point& point);

// Lays `figure` out; `measure` is any context (its surface is not drawn
// on) whose fonts match the drawing's. The layout points into `figure`.
Layout lay_out(const Figure& figure, cairo_t* measure);

// The scale for these points: see figure.h for the rule.
Scale scale_for(const std::vector<const Point*>& points, bool symmetric);

}  // namespace plot
