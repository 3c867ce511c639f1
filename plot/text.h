// text.h - lines of text with raised runs, measured and shown through cairo.
//
// Labels carry superscripts (mass number, charge state) that no font's
// superscript characters cover for every letter, so they are drawn as
// runs of their own: smaller, raised, never below the smallest size that
// stays readable at the picture's width.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "plot/figure.h"

namespace plot {

// Sizes in points of the 16 cm picture.
inline constexpr double smallest_font = 11.0;
inline constexpr double text_font = 11.0;
inline constexpr double label_font = 13.0;
inline constexpr double title_font = 15.0;

struct Run {
  std::string text;
  bool superscript = false;
};
using RichText = std::vector<Run>;

RichText rich(const Label& label);
RichText rich(const std::string& text);

// Selects the picture's face (bold for titles) at `size` points.
void use_font(cairo_t* cr, double size, bool bold = false);

// The advance of `text` at `size` points.
double width_of(cairo_t* cr, const RichText& text, double size, bool bold = false);

// Shows `text` with its baseline starting at the current point.
void show(cairo_t* cr, const RichText& text, double size, bool bold = false);

}  // namespace plot
