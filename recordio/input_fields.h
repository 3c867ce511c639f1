// input_fields.h - editing one field or one free-form value into an item.
//
// Pure functions over the characters of a field: they neither read records
// nor raise conditions. Each returns 0 when the item was filled, or the
// condition code to raise, in which case the item is left as it was. The
// statements in input_editing.cpp cut the fields and apply the conditions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "recordio/text_buffer.h"

namespace recordio {

// ---------------------------------------------------------------------------
// Fixed-column fields

// Where a field lies in the record and where the next field starts.
struct FieldSpan {
  std::string_view field;
  std::int32_t next_position;
};

// The field of `width` columns starting at `position` (0 is column 1). A
// record that ends early gives the characters that remain, possibly none.
// For a numeric field a comma among those characters ends the field just
// before it and is itself consumed; a character field takes commas as data.
FieldSpan take_field(std::string_view record, std::int32_t position, std::int32_t width,
                     bool numeric);

// Iw into a 32-bit integer. Blanks and tabs anywhere are ignored; one
// leading sign, then digits only (else 10016). The value wraps modulo 2^32
// with no overflow check; an empty or sign-only field reads as 0.
std::int32_t edit_integer_field(std::string_view field, std::int32_t& value);

// The same for a plain field (blanks, an optional sign, digits, blanks;
// or blanks only, or no columns at all, which read as 0), the shape of
// nearly every integer field, without the general walk: false,
// `value` unchanged, for any other field, which edit_integer_field reads.
bool edit_plain_integer_field(std::string_view field, std::int32_t& value);

// Fw.d into a double. Blanks and tabs are ignored; I/i and N/n after the
// sign give infinity and not-a-number; without a written "." the last
// `decimals` characters before any exponent letter are the fraction.
// Characters other than digits, signs, ".", E, D, e and d are 10016.
// `scratch` holds the edited text (10004 when it cannot grow).
std::int32_t edit_real_field(std::string_view field, std::int32_t decimals, TextBuffer& scratch,
                             double& value);

// The two ways edit_real_field reads a field, for tests that hold them to
// the same doubles. A plain field (blanks, an optional sign, 1 to 18 digits
// with a "." among or after them, or no "." when `decimals` is 0, blanks;
// or blanks only, or no columns at all, which read as zero) is read
// without the general walk into the conversion's mantissa and exponent: false,
// `value` unchanged, for any other field. Any field at all is read by
// compacting it and putting in the implied point, then converting the text.
bool edit_plain_real_field(std::string_view field, std::int32_t decimals, double& value);
std::int32_t edit_any_real_field(std::string_view field, std::int32_t decimals, TextBuffer& scratch,
                                 double& value);

// Aw into a text of `length` characters: when the field is wider than the
// text, only its last `length` columns count; characters the field does not
// supply become blanks. Never fails.
void edit_character_field(std::string_view field, std::int32_t width, char* text,
                          std::int32_t length);

// ---------------------------------------------------------------------------
// Free-form values (already cut from the record, without separators)

// One sign, then digits (10016 otherwise); wraps modulo 2^32 like Iw.
std::int32_t edit_integer_value(std::string_view value, std::int32_t& result);

// Digits, signs, ".", E, D, e and d after an optional sign (10016
// otherwise), then the decimal conversion; no implied decimal point.
std::int32_t edit_real_value(std::string_view value, double& result);

// The first `length` characters of the value, padded with blanks.
void edit_text_value(std::string_view value, char* text, std::int32_t length);

}  // namespace recordio
