// output_fields.h - the integer, real and character fields of a write.
//
// Each editor stores exactly `width` characters (a character field without
// a width: the text's length) and never fails: a value too wide for its
// field is written as asterisks. The editors write either into the current
// record, at its position, which they move past the field (those return
// false when the record cannot grow, and the caller raises condition
// 10004), or into `width` columns the caller provides, such as a field's
// columns in a unit's block buffer. Those columns must hold blanks: the
// editors store only what stands out against them.
#pragma once

#include <cstdint>
#include <string_view>

#include "recordio/current_record.h"
#include "recordio/decimal_digits.h"

namespace recordio {

// Iw with minimum digit count m: right-justified, "-" for negative values,
// never a plus sign, zeros in front up to m digits (0 with m = 0 is all
// blanks).
void edit_integer(char* field, std::int32_t value, std::int32_t width, std::int32_t min_digits);
bool edit_integer(CurrentRecord& record, std::int32_t value, std::int32_t width,
                  std::int32_t min_digits);

// Fw.d: `decimals` decimals, rounded as decimal_digits rounds; INF and NaN
// with their sign; a "0" before the point when the field has a column for
// it. `digits` is the caller's reusable buffer for the values that need the
// digit string. A field narrower than d + 1 columns for a value that shows
// as zero cannot hold its point and decimals and is written as asterisks.
void edit_real(char* field, double value, std::int32_t width, std::int32_t decimals,
               DigitString& digits);
bool edit_real(CurrentRecord& record, double value, std::int32_t width, std::int32_t decimals,
               DigitString& digits);

// The ways edit_real lays a real field out, for tests that hold them to
// the same characters: from the shown digits as one integer, for the values
// shown_digits takes (false, nothing written, for the others), written
// digit pair by digit pair for any width, or all at once in machine words
// for fields of 4 to 16 columns with at most 7 decimals (false for other
// fields, and on a machine that is not little-endian); and from the digit
// string, for every value.
bool edit_real_from_shown_digits(char* field, double value, std::int32_t width,
                                 std::int32_t decimals);
bool edit_real_in_words(char* field, double value, std::int32_t width, std::int32_t decimals);
void edit_real_from_digit_string(char* field, double value, std::int32_t width,
                                 std::int32_t decimals, DigitString& digits);

// Aw: `width` 0 stores the whole text; a narrower field takes the text's
// first `width` bytes, a wider one blanks and then the text. The form with
// a `field` needs a width of at least 1.
void edit_character(char* field, std::string_view text, std::int32_t width);
bool edit_character(CurrentRecord& record, std::string_view text, std::int32_t width);

}  // namespace recordio
