// text.cpp - runs of text as pango markup, measured and shown by pangocairo.
#include "plot/text.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace plot {

namespace {

// The picture's own face, DejaVu Sans, is on every Debian system
// (fonts-dejavu-core) and has σ, ±, − and the Unicode superscripts a
// caption may hold; for anything else pango falls back to the system's sans.
constexpr const char* face = "DejaVu Sans,sans-serif";

double superscript_size(double size) {
  return std::min(size, std::max(smallest_font, size * 0.78));
}
double superscript_rise(double size) { return size * 0.36; }

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GText = std::unique_ptr<char, GFreeDeleter>;

struct ObjectDeleter {
  void operator()(void* object) const { g_object_unref(object); }
};
using Layout = std::unique_ptr<PangoLayout, ObjectDeleter>;

// Text a caller gave, as markup that shows exactly it.
std::string escaped(const std::string& text) {
  const GText markup(g_markup_escape_text(valid_utf8(text).c_str(), -1));
  return markup.get();
}

// pango sizes and rises are in 1024ths of a point; the layout's resolution
// of 72 per inch makes a point one unit of the picture.
std::string pango_units(double points) { return std::to_string(std::lround(points * PANGO_SCALE)); }

// A layout for `cr` as it is now (surface, transformation) holding `text`.
// Layout and drawing measure alike on every surface: metrics unhinted and
// glyphs placed at their exact positions, so that a width is the same in a
// PNG scaled 3.5 times as on the unscaled context the layout measured with.
Layout layout_for(cairo_t* cr, const RichText& text, double size, bool bold) {
  // One context for the process: making one per text was most of the time
  // a picture of thousands of labels took. Each use sets it to `cr`.
  static PangoContext* const context = [] {
    PangoContext* made = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_cairo_context_set_resolution(made, 72.0);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(made, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(made, FALSE);
    return made;
  }();
  pango_cairo_update_context(cr, context);
  Layout layout(pango_layout_new(context));

  PangoFontDescription* font = pango_font_description_from_string(face);
  pango_font_description_set_size(font, static_cast<int>(std::lround(size * PANGO_SCALE)));
  pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout.get(), font);
  pango_font_description_free(font);
  // One line whatever the text holds: a file name with a line break in a
  // title must not push the picture's rows apart.
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);

  const std::string markup = markup_of(text, size);
  PangoAttrList* attributes = nullptr;
  char* plain = nullptr;
  if (pango_parse_markup(markup.c_str(), -1, 0, &attributes, &plain, nullptr, nullptr)) {
    pango_layout_set_text(layout.get(), plain, -1);
    pango_layout_set_attributes(layout.get(), attributes);
    pango_attr_list_unref(attributes);
    g_free(plain);
  } else {
    // Escaped text always parses; should it not, the text is still shown,
    // unraised, rather than lost.
    std::string whole;
    for (const Run& run : text) whole += run.text;
    pango_layout_set_text(layout.get(), valid_utf8(whole).c_str(), -1);
  }
  return layout;
}

}  // namespace

std::string valid_utf8(const std::string& text) {
  const GText valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  return valid.get();
}

RichText rich(const Label& label) {
  RichText runs;
  if (!label.before.empty()) runs.push_back({label.before, true});
  if (!label.text.empty()) runs.push_back({label.text, false});
  if (!label.after.empty()) runs.push_back({label.after, true});
  return runs;
}

RichText rich(const std::string& text) { return {{text, false}}; }

std::string markup_of(const RichText& text, double size) {
  std::string markup;
  for (const Run& run : text) {
    if (run.superscript) {
      markup += "<span size=\"" + pango_units(superscript_size(size)) + "\" rise=\"" +
                pango_units(superscript_rise(size)) + "\">" + escaped(run.text) + "</span>";
    } else {
      markup += escaped(run.text);
    }
  }
  return markup;
}

double width_of(cairo_t* cr, const RichText& text, double size, bool bold) {
  const Layout layout = layout_for(cr, text, size, bold);
  PangoRectangle logical;
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  return static_cast<double>(logical.width) / PANGO_SCALE;
}

Extent extent_of(cairo_t* cr, const RichText& text, double size, bool bold) {
  const Layout layout = layout_for(cr, text, size, bold);
  PangoRectangle ink;
  PangoRectangle logical;
  pango_layout_line_get_extents(pango_layout_get_line_readonly(layout.get(), 0), &ink, &logical);
  // The logical box of a line holds every glyph of its font, raised runs
  // included: a box that is never smaller than what is drawn.
  const double top = std::min(ink.y, logical.y);
  const double bottom = std::max(ink.y + ink.height, logical.y + logical.height);
  return {static_cast<double>(logical.width) / PANGO_SCALE, -static_cast<double>(top) / PANGO_SCALE,
          static_cast<double>(bottom) / PANGO_SCALE};
}

void show(cairo_t* cr, const RichText& text, double size, bool bold) {
  const Layout layout = layout_for(cr, text, size, bold);
  // A layout line is drawn with its baseline at the current point.
  pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout.get(), 0));
}

}  // namespace plot
