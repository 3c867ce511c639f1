// fuzz_support.h - what the fuzz targets share: a scratch directory, a stop
// that is a finding, and the checks every record of "vemo.equat" must pass.
//
// A check returns an empty string when it holds and a description of the
// first broken invariant otherwise; a target prints that and aborts, so that
// libFuzzer keeps the input that broke it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recordio/statement.h"

namespace fuzz_support {

// ---------------------------------------------------------------------------
// Files

// A directory of its own under $TMPDIR (or /tmp), made on first use and
// removed when the process exits normally.
const std::string& scratch_directory();
// An absolute name inside it.
std::string scratch_file(std::string_view name);

bool write_file(const std::string& path, std::string_view bytes);
// The whole file, or false when it cannot be read.
bool read_file(const std::string& path, std::string& bytes);
void remove_file(const std::string& path);

// ---------------------------------------------------------------------------
// Findings

// Prints "invariant broken: <what>" with the context and aborts.
[[noreturn]] void fail(std::string_view what, std::string_view context = {});

// Makes any stop of the run inside this process a finding: the in-process
// targets give every statement a branch or a status variable, so the layer
// must never decide to end the process.
void trap_run_stops();

// ---------------------------------------------------------------------------
// The records the program's format lists (conversion/equation_formats.h)
// write that hold no field

inline constexpr std::string_view normal_closing =
    "0Normal End of Freq.Ratios to Equations Conversion";
inline constexpr std::string_view failure_closing = "0Error in File Reading";
inline constexpr std::string_view warning_record = " WARNING : el.+mol. binding en. not found";

// Column (0-based) and descriptor of every field of a format list, with the
// literals checked in place.
struct FieldPlace {
  std::size_t column;
  recordio::EditDescriptor descriptor;
};
std::vector<FieldPlace> field_places(recordio::FormatList format);
// Columns a record written by `format` has, the record break not counted.
std::size_t record_width(recordio::FormatList format);
// Empty when every skip column is blank and every literal stands in its
// columns.
std::string check_fixed_columns(std::string_view record, recordio::FormatList format);

// ---------------------------------------------------------------------------
// Field checks

// Fw.d text of `value`: exactly w columns of the field's grammar (blanks,
// an optional "-", digits, ".", d decimals; or INF/NaN; or w asterisks),
// asterisks only for a value that cannot fit, and a value re-read from the
// field within half a unit of its last decimal plus 10^-14 relative for the
// scaling wherever the field shows 15 or fewer significant digits.
std::string check_real_field(std::string_view field, std::int32_t width, std::int32_t decimals,
                             double value);

// Iw text of `value`: w columns, right-justified digits with an optional
// "-", re-reading as `value`; asterisks only when the digits and sign do not
// fit.
std::string check_integer_field(std::string_view field, std::int32_t width, std::int32_t value);

// The value a real field shows, re-read through the layer's own Fw.d input
// editing; false for asterisks, INF, NaN and fields of more than 15
// significant digits.
bool reread_real(std::string_view field, std::int32_t decimals, double& value);

// Significant digits a real field shows (from its first nonzero digit).
int shown_significant_digits(std::string_view field);

// ---------------------------------------------------------------------------
// Whole equation files

// Cuts `file` into records at CR LF. Empty when every line ends in CR LF and
// no other CR or LF stands in the file.
std::string split_records(std::string_view file, std::vector<std::string_view>& records);

// A whole "vemo.equat": records in groups of an optional warning, the
// equation, micro-u and keV records and an empty record, then exactly one
// closing record, which is the file's last; every record of the width its
// list fixes, every literal in place, every real field of its grammar, the
// measured nuclide the same in the equation and micro-u records, and the
// keV values the micro-u values times the conversion factor within the
// fields' rounding.
std::string check_equation_file(std::string_view file);

}  // namespace fuzz_support
