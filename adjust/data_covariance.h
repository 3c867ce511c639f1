// data_covariance.h - covariances between the data themselves.
//
// Ratios that share one reference-ion run, or a campaign's systematic
// uncertainty added to every ratio, are correlated: one datum's error is
// partly another's. A small text file names them, one statement a line,
// blanks between the words, "#" to the end of a line a comment:
//
//   common NAME FILE:LINE PART
//       the equation of FILE:LINE (as the report names it) holds PART
//       micro-u of the common component NAME; two equations of one NAME
//       have the covariance PART_i * PART_j. PART is within U.
//   correlation FILE:LINE FILE:LINE RHO
//       the two equations' correlation coefficient, within [-1, 1]: the
//       covariance RHO * U_i * U_j.
//
// Each equation's U stays its whole uncertainty: the common component is a part
// of it, not added to it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "adjust/equations_file.h"

namespace adjust {

// A covariance between equations `first` and `second` (indices into the
// equations), in micro-u^2.
struct DataCovariance {
  std::size_t first = 0;
  std::size_t second = 0;
  double covariance = 0.0;
};

// Reads `path` (named `shown` in messages) against `equations`. Returns
// false with one line, "SHOWN:LINE: reason" or the reason the file cannot
// be read, in `error`.
bool read_data_covariance(const std::string& path, const std::string& shown,
                          const std::vector<Equation>& equations,
                          std::vector<DataCovariance>& covariances, std::string& error);

}  // namespace adjust
