// uncertainty_findings.h - uncertainties that cannot be what was measured.
//
// The converter takes any uncertainty it reads. A slip in one (a digit
// lost, a point moved, a field cut at column 46) leaves the equation as
// precise or as vague as it was never measured, and the only evidence is
// the uncertainty beside the others of the file, or how "vemo.equat"
// prints it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/diagnostics.h"
#include "conversion/equation_arithmetic.h"

namespace check {

// Reports a finding on the line being looked at, at `column`.
using LineReport =
    std::function<void(cli::Severity, std::int32_t column, const std::string& message)>;

// The equation's uncertainties as "vemo.equat" will print them: U as 0 or
// as asterisks, or an uncertainty that fills its whole field so that the
// record loses the blank after "+/-". Reported at `column`.
void check_printed_uncertainties(const conversion::Equation& equation, std::int32_t column,
                                 const LineReport& report);

// A digit in the column right after a numeric field that ends in a digit:
// the field was cut and its last digits are never read. `field_end` is the
// offset in `record` just past the field.
void check_field_cut(std::string_view record, std::int32_t field_end, std::string_view field_name,
                     const LineReport& report);

// The relative uncertainties of a file's measurements: each one far below
// what any ratio reaches at once, each one far from its block's median (the
// file's, for a small block) once the whole file is read.
class RelativeUncertainties {
 public:
  void add(int block, double ratio, double sigma, std::int64_t line, std::int32_t column,
           std::string record, const LineReport& report);
  void report_outliers(cli::Diagnostics& diagnostics, const std::string& file) const;

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
