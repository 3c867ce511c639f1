// output_fields.cpp - Iw, Fw.d and Aw stored straight into the record.
//
// Every branch of the real field is laid out so that its pieces add up to
// exactly w columns: a record's later fields stand in fixed columns, so a
// field may never come out one column short or long, not even for a value
// that does not fit (asterisks) or a field too narrow for its decimals.
#include "recordio/output_fields.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace recordio {

namespace {

bool store_run(CurrentRecord& record, char c, std::int64_t count) {
  for (std::int64_t i = 0; i < count; ++i) {
    if (!record.store(c)) return false;
  }
  return true;
}

bool store_blanks(CurrentRecord& record, std::int64_t count) {
  if (count <= 0) return true;
  if (count > INT32_MAX) return false;
  return record.store_blanks(static_cast<std::int32_t>(count));
}

// D_first to D_last of the digit string; nothing when last < first.
bool store_digits(CurrentRecord& record, const DigitString& digits, std::int64_t first,
                  std::int64_t last) {
  for (std::int64_t i = first; i <= last; ++i) {
    if (!record.store(digits.digit(i))) return false;
  }
  return true;
}

bool store_sign(CurrentRecord& record, bool negative) {
  return !negative || record.store('-');
}

}  // namespace

bool edit_integer(CurrentRecord& record, std::int32_t value, std::int32_t width,
                  std::int32_t min_digits) {
  const std::int64_t w = std::max<std::int32_t>(width, 0);
  const bool negative = value < 0;
  // Unsigned negation, so that -2147483648 has its magnitude too.
  std::uint32_t magnitude =
      negative ? 0U - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  char reversed[10];
  int count = 0;
  while (magnitude != 0) {
    reversed[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  const std::int64_t zeros = std::max<std::int64_t>(std::int64_t{min_digits} - count, 0);
  const std::int64_t length = (negative ? 1 : 0) + zeros + count;
  if (length > w) return store_run(record, '*', w);

  if (!store_blanks(record, w - length) || !store_sign(record, negative) ||
      !store_run(record, '0', zeros))
    return false;
  while (count > 0) {
    if (!record.store(reversed[--count])) return false;
  }
  return true;
}

bool edit_real(CurrentRecord& record, double value, std::int32_t width, std::int32_t decimals,
               DigitString& digits) {
  const std::int64_t w = std::max<std::int32_t>(width, 0);
  const std::int64_t d = std::max<std::int32_t>(decimals, 0);
  // The sign bit, not value < 0: negative zero and a NaN with its sign bit
  // set are written with their minus sign.
  const bool negative = (std::bit_cast<std::uint64_t>(value) >> 63) != 0;
  const std::int64_t s = negative ? 1 : 0;
  decimal_digits(value, static_cast<int>(d), digits);

  if (digits.kind != DigitString::Kind::number) {
    if (w < 3 + s) return store_run(record, '*', w);
    const std::string_view letters = digits.kind == DigitString::Kind::infinity ? "INF" : "NaN";
    return store_blanks(record, w - 3 - s) && store_sign(record, negative) &&
           record.store(letters);
  }

  const std::int64_t n = digits.exponent;
  const std::int64_t r = w - s - d - 1;  // columns left of the point
  if (n >= 1) {
    if (r < n) return store_run(record, '*', w);
    return store_blanks(record, r - n) && store_sign(record, negative) &&
           store_digits(record, digits, 1, n) && record.store('.') &&
           store_digits(record, digits, n + 1, n + d);
  }
  if (d == 0) {
    // The value rounded to zero units: no digit of it is shown, so no sign.
    if (w == 0) return true;
    return store_blanks(record, w - 2) && (w < 2 || record.store('0')) && record.store('.');
  }
  if (n + d >= 1) {
    if (r < 0) return store_run(record, '*', w);
    return store_blanks(record, r - 1) && store_sign(record, negative) &&
           (r < 1 || record.store('0')) && record.store('.') && store_run(record, '0', -n) &&
           store_digits(record, digits, 1, n + d);
  }
  // Shows as zero: a nonzero negative value that rounds away loses its sign.
  // r still sets a column aside for that sign, so in a field of d + 2
  // columns a negative value loses its "0" instead (" .000" in F5.3).
  if (r >= 1) {
    return store_blanks(record, w - d - 2) && record.store('0') && record.store('.') &&
           store_run(record, '0', d);
  }
  if (w < d + 1) return store_run(record, '*', w);
  return store_blanks(record, w - d - 1) && record.store('.') && store_run(record, '0', d);
}

bool edit_character(CurrentRecord& record, std::string_view text, std::int32_t width) {
  if (width <= 0) return record.store(text);
  const auto w = static_cast<std::size_t>(width);
  if (w < text.size()) return record.store(text.substr(0, w));
  return store_blanks(record, static_cast<std::int64_t>(w - text.size())) && record.store(text);
}

}  // namespace recordio
