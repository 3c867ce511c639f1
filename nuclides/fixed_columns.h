// fixed_columns.h - fields of the published tables' fixed-column rows.
//
// The tables of the mass evaluation are written by Fortran formats: a field
// is a range of columns, a line may end before its last fields (those are
// blank), and a value from systematics has "#" where its decimal point
// would be.
#pragma once

#include <cstdint>
#include <string_view>

namespace nuclides {

// Columns `first` to `last` of `line` (1 for its first byte), blanks around
// the field dropped; empty for a field the line ends before.
std::string_view column_field(std::string_view line, std::int32_t first, std::int32_t last);

// A decimal number as the tables write it: "-52435.4", "8071.31806",
// "28667#" (an estimate: "#" stands for the point) and "2000#". True when
// the whole field is such a number; `estimated` tells whether it had "#".
bool table_number(std::string_view field, double& value, bool& estimated);

// A field of decimal digits with an optional sign, as an integer.
bool table_integer(std::string_view field, std::int32_t& value);

}  // namespace nuclides
