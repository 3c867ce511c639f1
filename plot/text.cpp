// text.cpp - raised runs, and the Unicode form of a label.
#include "plot/text.h"

#include <algorithm>
#include <string_view>

namespace plot {

namespace {

// The picture's own face: DejaVu Sans is on every Debian desktop and has
// σ, ± and the superscripts the Unicode form of a label uses.
constexpr const char* face = "DejaVu Sans";

double superscript_size(double size) { return std::max(smallest_font, size * 0.78); }
double superscript_rise(double size) { return size * 0.36; }

// UTF-8 superscript of one character, or nothing when Unicode has none.
std::string_view superscript_of(char c) {
  switch (c) {
    case '0':
      return "\u2070";
    case '1':
      return "\u00b9";
    case '2':
      return "\u00b2";
    case '3':
      return "\u00b3";
    case '4':
      return "\u2074";
    case '5':
      return "\u2075";
    case '6':
      return "\u2076";
    case '7':
      return "\u2077";
    case '8':
      return "\u2078";
    case '9':
      return "\u2079";
    case '+':
      return "\u207a";
    case '-':
      return "\u207b";
    case 'm':
      return "\u1d50";
    case 'n':
      return "\u207f";
    default:
      return {};
  }
}

std::string superscript(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const std::string_view raised = superscript_of(c);
    if (raised.empty()) {
      out += '^';
      out += c;
    } else {
      out += raised;
    }
  }
  return out;
}

}  // namespace

std::string Label::plain() const { return superscript(before) + text + superscript(after); }

RichText rich(const Label& label) {
  RichText runs;
  if (!label.before.empty()) runs.push_back({label.before, true});
  if (!label.text.empty()) runs.push_back({label.text, false});
  if (!label.after.empty()) runs.push_back({label.after, true});
  return runs;
}

RichText rich(const std::string& text) { return {{text, false}}; }

void use_font(cairo_t* cr, double size, bool bold) {
  cairo_select_font_face(cr, face, CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
}

double width_of(cairo_t* cr, const RichText& text, double size, bool bold) {
  double width = 0.0;
  for (const Run& run : text) {
    use_font(cr, run.superscript ? superscript_size(size) : size, bold);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, run.text.c_str(), &extents);
    width += extents.x_advance;
  }
  return width;
}

void show(cairo_t* cr, const RichText& text, double size, bool bold) {
  double x = 0.0;
  double y = 0.0;
  cairo_get_current_point(cr, &x, &y);
  for (const Run& run : text) {
    use_font(cr, run.superscript ? superscript_size(size) : size, bold);
    const double rise = run.superscript ? superscript_rise(size) : 0.0;
    cairo_move_to(cr, x, y - rise);
    cairo_show_text(cr, run.text.c_str());
    cairo_text_extents_t extents;
    cairo_text_extents(cr, run.text.c_str(), &extents);
    x += extents.x_advance;
  }
  cairo_move_to(cr, x, y);
}

}  // namespace plot
