// text.h - lines of text with raised runs, measured and shown through pango.
//
// Labels carry superscripts (mass number, charge state) that no font's
// superscript characters cover for every letter, so they are set as runs of
// their own in pango markup: smaller, raised, never below the smallest size
// that stays readable at the picture's width. pango also finds a face for
// every character the picture's own face lacks.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "plot/figure.h"

namespace plot {

// A raised run is smaller than its line, but never below the size a journal
// still prints readably (about 7 pt); on a line smaller than that it keeps
// the line's size.
inline constexpr double smallest_font = 7.0;

// Plain text, never markup: whatever a run holds (a file name with '<' or
// '&' in a title) is shown as it is. Bytes that are not UTF-8 show as U+FFFD.
struct Run {
  std::string text;
  bool superscript = false;
};
using RichText = std::vector<Run>;

RichText rich(const Label& label);
RichText rich(const std::string& text);

// `text` with every byte that is not part of UTF-8 replaced by U+FFFD.
std::string valid_utf8(const std::string& text);

// The pango markup of `text` at `size` points: every run escaped, raised
// runs in spans of their own size and rise.
std::string markup_of(const RichText& text, double size);

// The advance of `text` at `size` points, as `show` sets it on any surface
// at any scale: metrics unhinted, glyph positions not rounded.
double width_of(cairo_t* cr, const RichText& text, double size, bool bold = false);

// How far `text` reaches along its baseline, above and below it.
struct Extent {
  double width = 0.0;
  double ascent = 0.0;
  double descent = 0.0;
};
Extent extent_of(cairo_t* cr, const RichText& text, double size, bool bold = false);

// Shows `text` as one line (a line break in it is shown, not obeyed) with
// its baseline starting at the current point, in the current transformation.
void show(cairo_t* cr, const RichText& text, double size, bool bold = false);

}  // namespace plot
