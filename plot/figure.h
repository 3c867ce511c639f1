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
// The picture has one of three shapes (`Size`): a journal column, a
// double-column page, a 16:9 slide. Sections follow one another down the
// page; each is cut into panels of as many points as the width holds with
// their labels apart, and panels that do not fit a page go on further
// pages. Each panel has a vertical scale of its own, chosen from the points'
// values and bars, never from the bands: every bar of a point that is not
// highlighted shows whole, highlighted points show unless they would
// squeeze the others, and a point beyond the scale is a triangle on the
// edge with `off_scale_text` beside it. A band beyond the frame is cut at
// its edge, marked as going on, with its half-height written there.
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
  open_diamond,   // a measurement against itself (a null equation)
  edge_triangle,  // for the legend: how an off-scale point is shown
  small_circle,   // for the legend: a bar shorter than its mark, so the mark shrinks
  clipped_band,   // for the legend: a band cut at the frame, its size written
};

struct Point {
  Label label;
  double value = 0.0;           // up the page, in the section's unit
  double error = 0.0;           // half-length of the error bar; 0: none
  double band = 0.0;            // half-height of the shaded band around zero at this point; 0: none
  bool band_estimated = false;  // the band is an estimate: outlined, not filled
  Mark mark = Mark::filled_circle;
  bool highlighted = false;    // drawn in red, e.g. far from the reference
  std::string off_scale_text;  // written beside the edge marker when off scale (the value)
  // Written after the label, below the axis ("35.2σ" of a red point, the
  // table's value of an isomer); may be empty.
  std::string caption;
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
  // Half-height of one band around zero across the whole frame (the ±1 of
  // normalized residuals); 0: none.
  double band = 0.0;
};

struct LegendEntry {
  Mark mark = Mark::filled_circle;
  bool highlighted = false;
  bool band = false;  // a swatch of the shaded band instead of a mark
  std::string text;
  bool estimated_band = false;  // the swatch is the outlined band of an estimate
};

// The picture's shape: 8.6 cm wide for one journal column, 17.8 cm for a
// double-column page (each at most a page tall), or a 16:9 slide of 1920 x
// 1080 pixels.
enum class Size { column, page, slide };

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
  // Drawn under the title of every page, wrapped, always inside the
  // picture. Entries of Mark::edge_triangle, small_circle and clipped_band
  // are left out when nothing is drawn that way.
  std::vector<LegendEntry> legend;
  std::vector<Section> sections;
  std::vector<Footnote> footnotes;
  Size size = Size::page;
  // At most this many points in a panel; 0: as many as the width holds.
  int points_per_panel = 0;
  // Said in the middle of the first panel when no section holds a point.
  std::string when_empty = "nothing to draw";
};

}  // namespace plot
