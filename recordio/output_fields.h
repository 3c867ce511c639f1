// output_fields.h - the integer, real and character fields of a write.
//
// Each editor stores exactly `width` characters (a character field without
// a width: the text's length) at the record's position and moves the
// position past them. A value too wide for its field is written as
// asterisks and is not a failure. The only failure is a record that cannot
// grow: the editor then returns false, and the caller raises condition 10004.
#pragma once

#include <cstdint>
#include <string_view>

#include "recordio/current_record.h"
#include "recordio/decimal_digits.h"

namespace recordio {

// Iw with minimum digit count m: right-justified, "-" for negative values,
// never a plus sign, zeros in front up to m digits (0 with m = 0 is all
// blanks).
bool edit_integer(CurrentRecord& record, std::int32_t value, std::int32_t width,
                  std::int32_t min_digits);

// Fw.d: `decimals` decimals, rounded as decimal_digits rounds; INF and NaN
// with their sign; a "0" before the point when the field has a column for
// it. `digits` is the caller's reusable buffer; it holds the value's digit
// string afterwards. A field narrower than d + 1 columns for a value that
// shows as zero cannot hold its point and decimals and is written as
// asterisks.
bool edit_real(CurrentRecord& record, double value, std::int32_t width, std::int32_t decimals,
               DigitString& digits);

// Aw: `width` 0 stores the whole text; a narrower field takes the text's
// first `width` bytes, a wider one blanks and then the text.
bool edit_character(CurrentRecord& record, std::string_view text, std::int32_t width);

}  // namespace recordio
