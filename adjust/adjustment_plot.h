// adjustment_plot.h - the adjustment as a picture, drawn by plot/.
//
// Two sections: each nuclide's adjusted mass excess minus the table's, with
// the adjusted uncertainty as its bar and the table's as the band around
// zero; then the normalized residual of every datum, grouped by the
// nuclide it measures, with one band at +/-1 across the panel. Nuclides far
// from the table (over 3 combined standard deviations) and the flagged
// datum are red, their distance written under the label; rejected data are
// open circles; nuclides no datum determines are listed under the panels.
#pragma once

#include <string>

#include "adjust/adjustment.h"
#include "plot/figure.h"

namespace adjust {

// `kev_per_micro_u` above 0 draws the mass excesses in keV with that factor
// (the table's own, as the checker's picture takes it); 0 in micro-u.
// `in_sigma` draws them as (adjusted - table) / combined sigma instead.
plot::Figure adjustment_figure(const Adjustment& adjustment, const std::string& title,
                               double kev_per_micro_u = 0.0, bool in_sigma = false,
                               plot::Size size = plot::Size::page);

}  // namespace adjust
