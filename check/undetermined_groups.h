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
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "check/finding.h"
#include "nuclides/determined_groups.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"

namespace check {

// The equations the converter would write from the file, as the rule needs
// them: each distinct one once (G kept only where it can change the
// nuclides an equation measures), and for each nuclide as written the first
// line that names it, with that line's text for a finding. A million lines
// of a few hundred nuclides cost what those nuclides and pairs cost.
class EquationNetwork {
 public:
  // The equation of the measurement line `line`; `column` is the measured
  // ion's mass number's, `text` the line as findings show it.
  void add(nuclides::TiedEquation equation, std::int64_t line, std::int32_t column,
           std::string_view text);

  // One finding per undetermined group, at the first line that names one
  // of its nuclides; `freq` is the measurements file's name in findings.
  // `properties` (null: isomers have no table value) must be what the
  // adjustment is given.
  Findings findings(const nuclides::MassTable& masses, const nuclides::NubaseTable* properties,
                    std::string_view freq) const;

 private:
  struct FirstLine {
    std::int64_t line = 0;
    std::int32_t column = 0;
    std::string text;
  };
  struct Hash {
    std::size_t operator()(const nuclides::Nuclide& nuclide) const;
    std::size_t operator()(const nuclides::TiedEquation& equation) const;
  };
  struct Same {
    bool operator()(const nuclides::TiedEquation& a, const nuclides::TiedEquation& b) const;
  };
  // Hashed: looked up twice for each of a million lines.
  std::unordered_set<nuclides::TiedEquation, Hash, Same> equations_;
  std::unordered_map<nuclides::Nuclide, FirstLine, Hash> first_line_;
};

}  // namespace check
