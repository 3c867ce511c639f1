// measurement_uncertainty_rules.h - uncertainties that cannot be what was
// measured.
//
// The converter takes any uncertainty it reads. A slip in one (a digit
// lost, a point moved, a field cut at column 46) leaves the equation as
// precise or as vague as it was never measured, and the only evidence is
// the uncertainty beside the others of the file, or how "vemo.equat"
// prints it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/finding.h"
#include "conversion/equation_arithmetic.h"

namespace check {

// The equation's uncertainties as "vemo.equat" will print them: U as 0 or
// as asterisks, or an uncertainty that fills its whole field so that the
// record loses the blank after "+/-". Found at `column` of `place`.
Findings printed_uncertainty_findings(const conversion::Equation& equation, const LinePlace& place,
                                      std::int32_t column);

// A digit in the column right after a numeric field that ends in a digit:
// the field was cut and its last digits are never read. `field_end` is the
// offset in the record just past the field; `field` names it as the table
// of findings does (5 the uncertainty).
Findings field_cut_findings(const LinePlace& place, std::int32_t field_end, int field);

// The relative uncertainties of a file's measurements: each one far below
// what any ratio reaches at once, each one far from its block's median (the
// file's, for a small block) once the whole file is read.
class RelativeUncertainties {
 public:
  Findings add(int block, double ratio, double sigma, const LinePlace& place, std::int32_t column);
  Findings outliers(const std::string& file) const;

 private:
  struct Measured {
    int block = 0;
    double relative = 0.0;
    std::int64_t line = 0;
    std::int32_t column = 0;
    std::string record;
  };
  std::vector<Measured> measured_;
};

}  // namespace check
