// measurement_uncertainty_rules.h - uncertainties that cannot be what was
// measured.
//
// The converter takes any uncertainty it reads. A slip in one (a digit
// lost, a point moved, a field cut at column 46) leaves the equation as
// precise or as vague as it was never measured, and the only evidence is
// the uncertainty beside the others of the file, or how "vemo.equat"
// prints it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <utility>
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
// what any ratio reaches at once, each one far from the median of its
// block once the whole file is read. A block too small for a median of its
// own is held to the measurements of its kind: those against the same
// reference nuclide, else those of ions in the same charge regime (singly and
// doubly charged, or from nuclides::highly_charged on), and to nothing when there are too few.
class RelativeUncertainties {
 public:
  // `reference` names the block's reference nuclide ("85Rb"); `charge` is
  // the measured ion's. The measurements of a block come one after another.
  Findings add(int block, const std::string& reference, std::int32_t charge, double ratio,
               double sigma, const LinePlace& place, std::int32_t column);
  // Once the whole file is read: every measurement far from its median, in
  // the order of the lines.
  Findings outliers(const std::string& file);

 private:
  struct Measured {
    std::size_t order = 0;  // among the measurements judged
    std::string reference;
    bool highly_charged = false;
    double relative = 0.0;
    std::int64_t line = 0;
    std::int32_t column = 0;
    std::string record;  // the start of the line, shown under a finding
  };
  enum Scope { block_scope = 0, same_reference = 1, same_regime = 2 };
  // A block with a median of its own is judged when it ends, and only the
  // findings are kept; a smaller one waits for the whole file.
  void end_block();
  Finding outlier(const Measured& m, double median, Scope scope) const;

  std::string file_;
  int block_ = 0;
  std::vector<Measured> block_lines_;
  // Findings show their lines from here and from waiting_, both kept for
  // the life of the object.
  std::vector<Measured> waiting_;
  std::vector<std::pair<std::size_t, Finding>> found_;
  std::deque<std::string> shown_;
  std::size_t judged_ = 0;
  // The relative uncertainties by reference nuclide and by charge regime,
  // for the blocks too small for a median of their own.
  std::map<std::string, std::vector<double>> by_reference_;
  std::vector<double> by_regime_[2];
};

}  // namespace check
