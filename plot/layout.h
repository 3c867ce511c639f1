// layout.h - where everything of a Figure goes, before anything is drawn.
//
// The size of a PDF or SVG page must be known before its first mark, and
// the height depends on the text (legend and footnotes wrap, rotated labels
// take their length below the axis), so the picture is laid out once, with
// the same font measurements the drawing uses, then drawn from the layout.
// Every text the drawing sets is placed here and keeps its box, so that a
// test can hold the layout to its promise: no text over another, none off
// its page. Coordinates are points of the page, y growing down the page.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "plot/figure.h"
#include "plot/text.h"

namespace plot {

// The dimensions that follow from a Size: the width in points, the tallest
// page, pixels per point of PNG and SVG, and the sizes of the text.
struct Shape {
  double width = 0.0;
  double most_height = 0.0;
  bool fixed_height = false;  // a slide is always 16:9, however little it holds
  double pixels_per_point = 0.0;
  double text = 0.0;   // legend, ticks, axis labels, values, footnotes
  double label = 0.0;  // the nuclides under the axis
  double title = 0.0;
  double frame_height = 0.0;
};
Shape shape_of(Size size);

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

// A text set at a place: flat with its baseline starting at (x, y), or
// read upwards with its start at (x, y).
struct PlacedText {
  RichText text;
  double size = 0.0;
  double x = 0.0;
  double y = 0.0;
  bool upwards = false;
  bool bold = false;
  enum Ink { plain, quiet, point } ink = plain;  // point: the colour of its point
  Rect box;                                      // where its glyphs may reach
};

struct Column {
  const Point* point = nullptr;
  double x = 0.0;                 // centre
  bool starts_group = false;      // a divider goes on its left (not for the first column)
  bool small_mark = false;        // the bar is shorter than the mark: a small open mark instead
  bool band_clipped = false;      // the band reaches beyond the frame
  std::vector<PlacedText> texts;  // the label, and values at the frame's edges
};

struct Panel {
  const Section* section = nullptr;
  Rect frame;
  Scale scale;
  double column_width = 0.0;
  std::vector<Column> columns;
  std::vector<PlacedText> texts;  // heading, tick values, axis label
  // Page position of `value` on this panel's scale; `frame.y` for
  // `scale.high`, `frame.bottom()` for `scale.low`.
  double y_of(double value) const;
  bool on_scale(double value) const { return value >= scale.low && value <= scale.high; }
};

// A swatch of the legend before its text.
struct Swatch {
  const LegendEntry* entry = nullptr;
  double x = 0.0;  // the swatch's right end
  double baseline = 0.0;
};

struct Page {
  double height = 0.0;
  std::vector<PlacedText> texts;  // title, legend, footnotes, "nothing to draw"
  std::vector<Swatch> swatches;
  std::vector<Panel> panels;
};

struct Layout {
  Shape shape;
  std::vector<Page> pages;
  double width() const { return shape.width; }
};

// The text under the axis for `point`: its label, then its caption.
RichText label_text(const Point& point);

// Lays `figure` out; `measure` is any context (its surface is not drawn
// on) whose fonts match the drawing's. The layout points into `figure`.
Layout lay_out(const Figure& figure, cairo_t* measure);

// The scale for these points: see figure.h for the rule.
Scale scale_for(const std::vector<const Point*>& points, bool symmetric);

}  // namespace plot
