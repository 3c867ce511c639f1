// draw.h - a laid-out Figure onto any cairo surface.
#pragma once

#include <cairo.h>

#include "plot/figure.h"
#include "plot/layout.h"

namespace plot {

// Draws `layout` (made from `figure`) with the origin at the picture's top
// left corner, in points.
void draw(cairo_t* cr, const Figure& figure, const Layout& layout);

}  // namespace plot
