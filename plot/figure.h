// figure.h - what a picture of values against a zero line holds.
//
// The picture every program of this project draws is the same kind: values
// with error bars beside a reference that sits at zero (this work minus a
// table, adjusted minus the table, normalized residuals), grouped by
// nuclide, labelled below the axis in the physicist's notation, with a
// shaded band around zero that says how well the reference itself is known.
// A caller fills a Figure with plain values; plot/render.h lays it out and
// writes it. Nothing here knows about files of this project.
//
// The picture is 16 cm wide (453.5 pt; 1600 pixels in PNG and SVG) and as
// tall as its panels need. Sections follow one another down the page; each
// is cut into panels of at most `Figure::points_per_panel` points, each panel
// with a vertical scale of its own, chosen so that every point that is not
// highlighted shows whole and highlighted points show unless they would
// squeeze the others; a point beyond its panel's scale is a triangle on the
// edge with `off_scale_text` beside it.
#pragma once

#include <string>
#include <vector>

namespace plot {

// A label as physicists write a nuclide or an ion: a superscript before the
// symbol (mass number, "134m"), the symbol, a superscript after it (charge
// state, "2+"). Any part may be empty.
struct Label {
  std::string before;
  std::string text;
  std::string after;

  // The label as one line of Unicode text, the superscripts written with
  // superscript characters where Unicode has them: "¹³³Cs²⁺".
  std::string plain() const;
};

enum class Mark {
  filled_circle,  // the usual point
  open_circle,    // a point that lacks something the legend explains
  open_square,    // a value copied from elsewhere (a reference)
  edge_triangle,  // for the legend: how an off-scale point is shown
};

struct Point {
  Label label;
  double value = 0.0;  // up the page, in the section's unit
  double error = 0.0;  // half-length of the error bar; 0: none
  double band = 0.0;   // half-height of the shaded band around zero at this point; 0: none
  Mark mark = Mark::filled_circle;
  bool highlighted = false;    // drawn in red, e.g. far from the reference
  std::string note;            // written beside the point ("35.2σ"); may be empty
  std::string off_scale_text;  // written beside the edge marker when off scale (the value)
  std::string caption;         // written after the label, below the axis; may be empty
};

// Points of one nuclide, drawn side by side in the order given; groups are
// set apart from each other by a gap and a faint divider.
struct Group {
  std::vector<Point> points;
};

struct Section {
  std::string heading;     // above its first panel; may be empty
  std::string axis_label;  // the vertical axis, with its unit
  std::vector<Group> groups;
  // True: the scale is symmetric about zero, for differences. False: it
  // runs from the lowest to the highest value shown (and includes zero).
  bool symmetric = true;
};

struct LegendEntry {
  Mark mark = Mark::filled_circle;
  bool highlighted = false;
  bool band = false;  // a swatch of the shaded band instead of a mark
  std::string text;
};

// A line of text under the panels that may hold labels: an introduction,
// then items separated by commas, wrapped to the picture's width.
struct Footnote {
  std::string lead;  // "References, not drawn:"
  struct Item {
    Label label;
    std::string detail;  // after the label, "(block 2)"; may be empty
  };
  std::vector<Item> items;
  std::string separator = ",";  // after every item but the last
};

struct Figure {
  std::string title;
  // Drawn under the title, wrapped, always inside the picture. An entry of
  // Mark::edge_triangle is left out when no point is off its panel's scale.
  std::vector<LegendEntry> legend;
  std::vector<Section> sections;
  std::vector<Footnote> footnotes;
  int points_per_panel = 24;
  // Beyond this many panels the picture would be metres long (and a PNG of
  // it gigabytes): the points left over are counted under the last panel.
  int most_panels = 20;
  // Said in the middle of the first panel when no section holds a point.
  std::string when_empty = "nothing to draw";
};

}  // namespace plot
