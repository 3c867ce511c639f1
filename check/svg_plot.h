// svg_plot.h - a picture of the mass comparison.
//
// One column per reference and measurement compared, labelled by nuclide
// and block; up the page the difference from the table in combined
// standard deviations, with the file's own share of the uncertainty as an
// error bar, and the 1 and 3 sigma bands shaded, so that an outlier stands
// out at a glance. Points beyond the drawn range sit on its edge as
// triangles with their value written beside them.
#pragma once

#include <string>
#include <vector>

#include "check/check_context.h"

namespace check {

struct PlotSize {
  int width = 0;
  int height = 0;
};

// The SVG document; `title` heads it.
std::string comparison_svg(const std::vector<Compared>& compared, const std::string& title,
                           PlotSize& size);

}  // namespace check
