// output_fields.cpp - Iw, Fw.d and Aw, each exactly w columns.
//
// Every branch of the real field is laid out so that its pieces add up to
// exactly w columns: a record's later fields stand in fixed columns, so a
// field may never come out one column short or long, not even for a value
// that does not fit (asterisks) or a field too narrow for its decimals.
// That is also what lets a statement give an editor the field's columns
// wherever they are, in the current record or straight in a block buffer.
#include "recordio/output_fields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace recordio {

namespace {

// Fills a field from left to right.
class FieldCursor {
 public:
  explicit FieldCursor(char* field) : at_(field) {}

  void put(char c) { *at_++ = c; }
  void put(std::string_view chars) {
    std::memcpy(at_, chars.data(), chars.size());
    at_ += chars.size();
  }
  void run(char c, std::int64_t count) {
    if (count <= 0) return;
    std::memset(at_, c, static_cast<std::size_t>(count));
    at_ += count;
  }
  void sign(bool negative) {
    if (negative) put('-');
  }
  // D_first to D_last of the digit string; nothing when last < first.
  void digits(const DigitString& digits, std::int64_t first, std::int64_t last) {
    for (std::int64_t i = first; i <= last; ++i) put(digits.digit(i));
  }

 private:
  char* at_;
};

void asterisks(char* field, std::int64_t width) {
  std::memset(field, '*', static_cast<std::size_t>(width));
}

// The sign bit, not value < 0: negative zero and a NaN with its sign bit
// set are written with their minus sign.
bool sign_bit(double value) { return (std::bit_cast<std::uint64_t>(value) >> 63) != 0; }

constexpr std::array<char, 200> digit_pairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

void put_pair(char* to, std::uint32_t pair) { std::memcpy(to, digit_pairs.data() + 2 * pair, 2); }

// Writes the last `count` digits of `value` leftwards, ending just before
// `end`, and leaves in `value` what is left of it; returns the first
// character written. Four digits take one 64-bit division and split into
// their two pairs in 32 bits, which is cheaper than a 64-bit division per
// pair.
[[gnu::always_inline]] inline char* digits_leftwards(char* end, std::uint64_t& value,
                                                     std::int64_t count) {
  for (; count >= 4; count -= 4) {
    const auto four = static_cast<std::uint32_t>(value % 10000);
    value /= 10000;
    end -= 4;
    put_pair(end, four / 100);
    put_pair(end + 2, four % 100);
  }
  if (count >= 2) {
    end -= 2;
    put_pair(end, static_cast<std::uint32_t>(value % 100));
    value /= 100;
    count -= 2;
  }
  if (count == 1) {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return end;
}

// The digits of `value` (none for 0): from its bit length, the count is
// floor(bits x log10(2)) or one more, which one power of ten decides.
std::int64_t decimal_digit_count(std::uint32_t value) {
  static constexpr std::uint32_t powers[] = {1,      10,      100,      1000,      10000,
                                             100000, 1000000, 10000000, 100000000, 1000000000};
  const std::size_t estimate =
      (std::size_t{std::bit_width(value)} * 1233) >> 12;  // 1233 / 4096 ~ log10(2)
  return static_cast<std::int64_t>(estimate) + (value >= powers[estimate] ? 1 : 0);
}

}  // namespace

void edit_integer(char* field, std::int32_t value, std::int32_t width, std::int32_t min_digits) {
  const std::int64_t w = std::max<std::int32_t>(width, 0);
  const bool negative = value < 0;
  // Unsigned negation, so that -2147483648 has its magnitude too.
  std::uint64_t magnitude =
      negative ? 0U - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  const std::int64_t count = decimal_digit_count(static_cast<std::uint32_t>(magnitude));
  const std::int64_t zeros = std::max<std::int64_t>(std::int64_t{min_digits} - count, 0);
  const std::int64_t length = (negative ? 1 : 0) + zeros + count;
  if (length > w) return asterisks(field, w);

  char* at = digits_leftwards(field + w, magnitude, count);
  for (std::int64_t i = 0; i < zeros; ++i) *--at = '0';
  if (negative) *--at = '-';
}

bool edit_real_from_shown_digits(char* field, double value, std::int32_t width,
                                 std::int32_t decimals) {
  ShownDigits digits;
  if (width <= 0 || decimals < 0 || !shown_digits(value, decimals, digits)) return false;
  // Some digit is shown (n + d is at least 1), so the sign is written too.
  const std::int64_t w = width;
  const std::int64_t d = decimals;
  const std::int64_t s = sign_bit(value) ? 1 : 0;
  const std::int64_t n = digits.exponent;
  const std::int64_t r = w - s - d - 1;  // columns left of the point
  const std::int64_t integer_digits = n >= 1 ? n : 0;
  if (r < integer_digits) {
    asterisks(field, w);
    return true;
  }
  // Right to left: the decimals (the -n zeros of a value below one come
  // out of the integer as leading zeros), the point, the integer digits or
  // the "0" that stands for none, the sign; the blanks are there already.
  std::uint64_t rest = digits.shown;
  char* at = digits_leftwards(field + w, rest, d);
  *--at = '.';
  at = digits_leftwards(at, rest, integer_digits);
  if (integer_digits == 0 && r >= 1) *--at = '0';
  if (s == 1) *--at = '-';
  return true;
}

// Out of line: the statement's run inlines the field editors, and this
// rarer road would crowd the common one out of its registers.
[[gnu::noinline]] void edit_real_from_digit_string(char* field, double value, std::int32_t width,
                                 std::int32_t decimals, DigitString& digits) {
  const std::int64_t w = std::max<std::int32_t>(width, 0);
  const std::int64_t d = std::max<std::int32_t>(decimals, 0);
  const bool negative = sign_bit(value);
  const std::int64_t s = negative ? 1 : 0;
  decimal_digits(value, static_cast<int>(d), digits);
  FieldCursor out(field);

  if (digits.kind != DigitString::Kind::number) {
    if (w < 3 + s) return asterisks(field, w);
    out.run(' ', w - 3 - s);
    out.sign(negative);
    out.put(digits.kind == DigitString::Kind::infinity ? "INF" : "NaN");
    return;
  }

  const std::int64_t n = digits.exponent;
  const std::int64_t r = w - s - d - 1;  // columns left of the point
  if (n >= 1) {
    if (r < n) return asterisks(field, w);
    out.run(' ', r - n);
    out.sign(negative);
    out.digits(digits, 1, n);
    out.put('.');
    out.digits(digits, n + 1, n + d);
    return;
  }
  if (d == 0) {
    // The value rounded to zero units: no digit of it is shown, so no sign.
    if (w == 0) return;
    out.run(' ', w - 2);
    if (w >= 2) out.put('0');
    out.put('.');
    return;
  }
  if (n + d >= 1) {
    if (r < 0) return asterisks(field, w);
    out.run(' ', r - 1);
    out.sign(negative);
    if (r >= 1) out.put('0');
    out.put('.');
    out.run('0', -n);
    out.digits(digits, 1, n + d);
    return;
  }
  // Shows as zero: a nonzero negative value that rounds away loses its sign.
  // r still sets a column aside for that sign, so in a field of d + 2
  // columns a negative value loses its "0" instead (" .000" in F5.3).
  if (r >= 1) {
    out.run(' ', w - d - 2);
    out.put('0');
    out.put('.');
    out.run('0', d);
    return;
  }
  if (w < d + 1) return asterisks(field, w);
  out.run(' ', w - d - 1);
  out.put('.');
  out.run('0', d);
}

void edit_real(char* field, double value, std::int32_t width, std::int32_t decimals,
               DigitString& digits) {
  if (edit_real_from_shown_digits(field, value, width, decimals)) return;
  edit_real_from_digit_string(field, value, width, decimals, digits);
}

void edit_character(char* field, std::string_view text, std::int32_t width) {
  const auto w = static_cast<std::size_t>(width);
  const std::size_t count = std::min(w, text.size());
  char* const first = field + (w - count);
  // Symbols and flags are a few bytes: a loop beats a call to memcpy.
  if (count <= 8) {
    for (std::size_t i = 0; i < count; ++i) first[i] = text[i];
  } else {
    std::memcpy(first, text.data(), count);
  }
}

// ---------------------------------------------------------------------------
// The same fields at the current record's position

bool edit_integer(CurrentRecord& record, std::int32_t value, std::int32_t width,
                  std::int32_t min_digits) {
  if (width <= 0) return true;
  char* field = record.take_columns(width);
  if (field == nullptr) return false;
  edit_integer(field, value, width, min_digits);
  return true;
}

bool edit_real(CurrentRecord& record, double value, std::int32_t width, std::int32_t decimals,
               DigitString& digits) {
  if (width <= 0) return true;
  char* field = record.take_columns(width);
  if (field == nullptr) return false;
  edit_real(field, value, width, decimals, digits);
  return true;
}

bool edit_character(CurrentRecord& record, std::string_view text, std::int32_t width) {
  if (width <= 0) return record.store(text);
  char* field = record.take_columns(width);
  if (field == nullptr) return false;
  edit_character(field, text, width);
  return true;
}

}  // namespace recordio
