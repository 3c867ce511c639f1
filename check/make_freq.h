// make_freq.h - "vemo.freq" from a table of ratios (--make-freq CSV).
//
// A physicist's ratios live in a spreadsheet; typing them into fixed
// columns is where column slips come from. The CSV has a header row naming
// the columns A, symbol, charge (the measured ion), ratio (nu_ref/nu_meas,
// the measured ion's mass-to-charge ratio over the reference's, a plain
// number), uncertainty (of the ratio, the same scale), direction (optional:
// empty or "meas/ref" for that ratio, "ref/meas" for its inverse), ref_A,
// ref_symbol, ref_charge, ref_mass_excess and ref_uncertainty (micro-u, or
// "table" for the mass table's), in any order; other columns are ignored.
//
// The lines are grouped in blocks by reference, in the order the references
// first appear, and laid out by freq_line.h. The ratio and its uncertainty
// are multiplied by 10^6 on their decimal text, never through a double: a
// digit the field cannot hold is an error that says how many would be lost,
// not a rounding.
#pragma once

#include <string>
#include <string_view>

#include "cli/diagnostics.h"
#include "nuclides/mass_table.h"

namespace check {

struct MadeFreq {
  std::string bytes;  // the file's, LF line ends
  int blocks = 0;
  int measurements = 0;
};

// Reads `csv_path`. A bad row is an error at CSV:LINE:COLUMN in
// `diagnostics` (counted there: the caller writes nothing when there is
// one); `masses` (may be null) gives the "table" values. False with a
// one-line reason in `error` when the CSV cannot be read, lacks a column
// or has no row.
bool make_freq(const std::string& csv_path, const nuclides::MassTable* masses,
               cli::Diagnostics& diagnostics, MadeFreq& made, std::string& error);

// The decimal number `text` ([+-]digits[.digits][e[+-]digits], a point
// alone or no digit is refused) times 10^`shift`, written with exactly
// `decimals` decimals: its digits moved, none changed. `lost` counts the
// digits beyond those decimals that are not zero (the text is then empty).
struct ShiftedDecimal {
  bool valid = false;
  bool negative = false;
  bool zero = true;
  int lost = 0;
  std::string text;
};
ShiftedDecimal shifted_decimal(std::string_view text, int shift, int decimals);

}  // namespace check
