// comparison_plot.h - the mass comparison as a physicist shows it.
//
// "This work - table" for every measurement, in micro-u (or keV), with this
// work's error bar and the table's uncertainty as a band around zero: a bar
// much shorter than its band is a result more precise than the table, a
// point far outside its band is one far from it. Deviations beyond 3
// combined standard deviations are red with their distance written beside.
// Nuclides come in order of mass number, repeated measurements of one side
// by side, labelled with the measured ion's charge state. A measurement of
// the reference's own nuclide (a null equation) tests the binding energies
// only and has a mark of its own; a table value from systematics ("#") has
// an outlined band. Isomers have a section of their own in the same style:
// this work's excitation energy minus the table of nuclear properties',
// with the table's value under the label; references (values copied from
// the table) are listed under the picture, or drawn in a section of their
// own on request; whatever has no table value to compare with is listed as
// not compared. On request every value is in combined standard deviations
// instead, where all points compare at once.
#pragma once

#include <string>
#include <vector>

#include "check/check_context.h"
#include "plot/figure.h"

namespace check {

struct ComparisonPlotSettings {
  std::string title;             // "vemo.freq - AME2020"
  double kev_per_micro_u = 0.0;  // the table's own factor; 0: everything in micro-u
  bool in_kev = false;           // differences in keV; excitation energies always are
  bool references = false;       // draw the reference lines too
  bool in_sigma = false;         // (this work - table) / combined sigma
  plot::Size size = plot::Size::page;
  // The isomers' excitation energies and the lines they are from; none:
  // isomers are listed as not compared.
  const std::vector<IsomerComparison>* isomers = nullptr;
  const std::vector<StateLine>* state_lines = nullptr;
};

plot::Figure comparison_figure(const std::vector<Compared>& compared,
                               const ComparisonPlotSettings& settings);

// The label of an ion in the physicist's notation: 133Cs, charge 2, as
// superscript 133, Cs, superscript 2+; an isomer's state joins the mass
// number ("134m"); a molecule compared with its atoms is written by them.
plot::Label ion_label(const Compared& compared);

}  // namespace check
