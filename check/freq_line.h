// freq_line.h - a line of "vemo.freq" laid out from the texts of its
// fields, in the columns the converter's format list reads them from.
//
// The one place the checker writes such a line: the line it suggests in a
// finding and every line --make-freq writes. The widths come from
// conversion::line_format, so the layout cannot drift from the reading.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace check {

// The texts of a line's six fields: mass number, symbol, charge state,
// ratio x 10^6 (or a reference's mass excess), flag, uncertainty.
using FreqFields = std::array<std::string_view, 6>;

// The flag that makes the converter take a ratio as its inverse, in
// column 33 as the bundled example writes it (any mark in columns 32-33
// reads alike).
inline constexpr std::string_view inverse_flag = " I";

// The columns of field `field` (0 for the mass number).
std::int32_t freq_field_width(int field);

// The line: numbers to the right of their columns, the symbol and the flag
// to the left, blanks at the end of the line dropped (the converter reads
// a short line as blank-filled); no line end. Nothing when a text is wider
// than its columns (it would move every later field).
std::optional<std::string> freq_line(const FreqFields& fields);

}  // namespace check
