// undetermined_groups.h - the groups of nuclides that the measurements tie
// to nothing the adjustment can anchor.
//
// freq2equat-adjust takes the converter's equations and anchors them by the
// mass table (nuclides/determined_groups.h); the mass excess a reference
// line gives is no anchor of it, only where its solve starts. A group of
// nuclides that no reference of known mass ties down, and that holds no
// 12C, is left out of its solve. The rule is the adjustment's own, applied
// to the equations the converter would write from this file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/finding.h"
#include "nuclides/determined_groups.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"

namespace check {

// One equation the converter writes, and the measurement line it is made
// from.
struct EquationLine {
  nuclides::TiedEquation equation;
  std::int64_t line = 0;
  std::int32_t column = 0;  // of the measured ion's mass number
  std::string text;         // the line, as findings show it
};

// One finding per undetermined group, at the first line that names one of
// its nuclides; `freq` is the measurements file's name in findings.
// `properties` (null: isomers have no table value) must be what the
// adjustment is given.
Findings undetermined_group_findings(const std::vector<EquationLine>& equations,
                                     const nuclides::MassTable& masses,
                                     const nuclides::NubaseTable* properties,
                                     std::string_view freq);

}  // namespace check
