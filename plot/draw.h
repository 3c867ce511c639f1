// draw.h - a laid-out Figure onto any cairo surface.
#pragma once

#include <cairo.h>

#include "plot/figure.h"
#include "plot/layout.h"

namespace plot {

// Draws `page` of `layout` with the origin at the page's top left corner,
// in points.
void draw(cairo_t* cr, const Layout& layout, const Page& page);

}  // namespace plot
