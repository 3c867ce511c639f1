// input_fields.cpp - Iw, Fw.d and Aw fields, and typed free-form values.
#include "recordio/input_fields.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "recordio/conditions.h"
#include "recordio/decimal_conversion.h"
#include "recordio/digit_words.h"
#include "recordio/fast_path_counts.h"
#include "recordio/power_of_ten.h"

namespace recordio {

using namespace digit_words;

// ---------------------------------------------------------------------------
// Shared character rules

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }
bool is_exponent_letter(char c) { return c == 'E' || c == 'D' || c == 'e' || c == 'd'; }
bool is_special_value_letter(char c) { return c == 'I' || c == 'i' || c == 'N' || c == 'n'; }

// What may stand after the leading sign of a real: the conversion itself
// stops at the first character that does not continue the number, so their
// order is not checked here (1.2.3 reads as 1.2).
bool may_continue_real(char c) {
  return is_digit(c) || is_sign(c) || c == '.' || is_exponent_letter(c);
}

// The digits are taken modulo 2^32 and the sign negates modulo 2^32: old
// files rely on the wraparound (2147483648 reads as -2147483648), and the
// unsigned arithmetic keeps it free of undefined behaviour.
std::int32_t parse_integer(std::string_view text, bool ignore_blanks, std::int32_t& value) {
  std::uint32_t magnitude = 0;
  bool negative = false;
  bool first = true;
  for (const char c : text) {
    if (ignore_blanks && is_blank(c)) continue;
    if (first) {
      first = false;
      if (is_sign(c)) {
        negative = c == '-';
        continue;
      }
    }
    if (!is_digit(c)) return code::illegal_numeric_character;
    magnitude = 10u * magnitude + static_cast<std::uint32_t>(c - '0');
  }
  if (negative) magnitude = 0u - magnitude;
  value = static_cast<std::int32_t>(magnitude);
  return 0;
}

// The number, modulo 2^64, that the run of digits from `at` makes; `at`
// moves past the run. A number's digits are seldom more than eight: one
// word shows where the run ends, and its digits, moved to the word's top
// so that the bytes below read as leading zeros, are combined at once.
std::uint64_t take_digits(const char*& at, const char* end) {
  std::uint64_t value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (end - at >= 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, at, sizeof word);
      const std::uint64_t not_digit = not_digit_bytes(word);
      if (not_digit == 0) {
        value = value * 100000000 + eight_digit_value(word - zero_bytes);
        at += 8;
        continue;
      }
      const int count = std::countr_zero(not_digit) / 8;
      if (count == 0) return value;
      // The bytes from the first that is not a digit on are shifted out;
      // below the digits no byte borrows, so they stay whole.
      const std::uint64_t digits = (word - zero_bytes) << (64 - 8 * count);
      at += count;
      return value * decimal_powers[static_cast<std::size_t>(count)] + eight_digit_value(digits);
    }
  }
  for (; at < end; ++at) {
    // Unsigned, so that one comparison refuses what lies below "0" too.
    const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
    if (digit > 9) break;
    value = 10 * value + digit;
  }
  return value;
}

// Where a plain field's digits start: past its leading blanks and sign.
// Right-aligned numbers open with a run of blanks: with eight bytes to
// look at, the first that is not a blank is found in one word.
const char* after_blanks_and_sign(const char* at, const char* end, bool& negative) {
  if (std::endian::native == std::endian::little && end - at >= 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    const std::uint64_t not_blank = word ^ blank_bytes;
    if (not_blank != 0) {
      at += std::countr_zero(not_blank) / 8;
    } else {
      at += 8;
      while (at < end && *at == ' ') ++at;
    }
  } else {
    while (at < end && *at == ' ') ++at;
  }
  if (at < end && is_sign(*at)) {
    negative = *at == '-';
    ++at;
  }
  return at;
}

bool only_blanks(std::string_view field) {
  return std::all_of(field.begin(), field.end(), [](char c) { return c == ' '; });
}

std::size_t sign_length(std::string_view text) {
  return !text.empty() && is_sign(text.front()) ? 1 : 0;
}

bool only_real_characters(std::string_view text) {
  return std::all_of(text.begin(), text.end(), may_continue_real);
}

void fill_text(std::string_view chars, char* text, std::int32_t length) {
  if (length <= 0) return;
  const auto size = static_cast<std::size_t>(length);
  const std::size_t copied = std::min(chars.size(), size);
  // Symbols and flags are a few bytes: moves of their size beat a call to
  // memcpy and one to memset.
  // From four bytes on, two four-byte moves that overlap as needed, and
  // two two-byte moves below.
  if (size <= 8) {
    if (copied >= 4) {
      std::memcpy(text, chars.data(), 4);
      std::memcpy(text + copied - 4, chars.data() + copied - 4, 4);
    } else if (copied >= 2) {
      std::memcpy(text, chars.data(), 2);
      std::memcpy(text + copied - 2, chars.data() + copied - 2, 2);
    } else if (copied == 1) {
      text[0] = chars[0];
    }
    for (std::size_t i = copied; i < size; ++i) text[i] = ' ';
    return;
  }
  if (copied > 0) std::memcpy(text, chars.data(), copied);
  std::memset(text + copied, ' ', size - copied);
}

// The value of a plain real's digits, `mantissa` with `decimals` of them
// after the point, at most 18 in all.
double plain_real_value(std::uint64_t mantissa, std::ptrdiff_t decimals, bool negative) {
  double magnitude = 0.0;
  if (mantissa < std::uint64_t{1} << 53) {
    // The conversion leaves out the fraction's trailing zeros. Below 2^53
    // they change nothing: the mantissa with or without them is an exact
    // double, and so is the power of ten up to 10^22, so either way the
    // one division rounds the same quotient.
    magnitude =
        static_cast<double>(mantissa) / power_of_ten_table[static_cast<std::size_t>(decimals)];
  } else {
    // Here the 53-bit cut may depend on them, so they go as they would.
    for (; decimals > 0 && mantissa % 10 == 0; --decimals) mantissa /= 10;
    magnitude = scaled_mantissa(mantissa, -decimals);
  }
  return negative ? -magnitude : magnitude;
}

// A real as right-aligned numbers are written, its fraction in the field's
// last columns: blanks, an optional sign, up to eight digits, ".", up to
// eight digits. The fraction is read from the field's last word, the
// digits before the point from the word that ends at it, each run found
// from the top by its leading zeros. False, nothing stored, for any other
// field, which the digit-run reader then takes.
bool right_aligned_real(std::string_view field, double& value) {
  if constexpr (std::endian::native != std::endian::little) {
    return false;
  } else {
    const auto width = static_cast<std::ptrdiff_t>(field.size());
    if (width < 9 || width > 25) return false;
    const char* const first = field.data();
    const char* const end = first + width;
    const std::uint64_t tail = load_word(end - 8);
    const int decimals = std::countl_zero(not_digit_bytes(tail)) / 8;
    const char* const point = end - decimals - 1;
    if (*point != '.') return false;
    // The bytes below the fraction are cleared before the zeros are taken
    // off, so that none of them borrows from the fraction's first digit.
    const std::uint64_t fraction_mask = top_bytes(decimals);
    const std::uint64_t fraction_digits = (tail & fraction_mask) - (zero_bytes & fraction_mask);

    // The columns before the point, the last in the top byte; a shorter
    // run is filled up with blanks below.
    const std::ptrdiff_t whole_width = point - first;
    std::uint64_t whole = blank_bytes;
    if (whole_width >= 8) {
      whole = load_word(point - 8);
      const std::ptrdiff_t before = whole_width - 8;
      if (before > 8) return false;
      if (before > 0 &&
          ((load_word(first) ^ blank_bytes) & ~top_bytes(static_cast<int>(8 - before))) != 0) {
        return false;
      }
    } else if (whole_width > 0) {
      whole = (load_word(first) << (64 - 8 * whole_width)) | (blank_bytes >> (8 * whole_width));
    }
    const int whole_digits = std::countl_zero(not_digit_bytes(whole)) / 8;
    const std::uint64_t digit_mask = top_bytes(whole_digits);
    // Below the digits blanks, or blanks and a sign right under them: what
    // differs there from blanks is nothing, or the sign's difference from a
    // blank in the byte under the digits.
    const std::uint64_t sign_mask = ((digit_mask >> 8) | top_bytes(1)) & ~digit_mask;
    const std::uint64_t rest = (whole ^ blank_bytes) & ~digit_mask;
    constexpr std::uint64_t minus_bytes = 0x0D0D0D0D0D0D0D0D;  // "-" ^ " "
    constexpr std::uint64_t plus_bytes = 0x0B0B0B0B0B0B0B0B;   // "+" ^ " "
    const bool negative = rest != 0 && rest == (minus_bytes & sign_mask);
    if ((rest != 0 && !negative && rest != (plus_bytes & sign_mask)) ||
        whole_digits + decimals == 0) {
      return false;
    }
    // Both runs combined here, side by side, once the field is known plain.
    const std::uint64_t integer =
        eight_digit_value((whole & digit_mask) - (zero_bytes & digit_mask));
    const std::uint64_t fraction = eight_digit_value(fraction_digits);
    value =
        plain_real_value(integer * decimal_powers[static_cast<std::size_t>(decimals)] + fraction,
                         decimals, negative);
    return true;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Fixed-column fields

FieldSpan take_field(std::string_view record, std::int32_t position, std::int32_t width,
                     bool numeric) {
  if (position < 0) position = 0;
  const auto start = static_cast<std::size_t>(position);
  if (width <= 0 || start >= record.size()) return {{}, position};
  const std::size_t taken = std::min(static_cast<std::size_t>(width), record.size() - start);
  const std::string_view field = record.substr(start, taken);
  if (numeric) {
    const std::size_t comma = field.find(',');
    if (comma != std::string_view::npos) {
      return {field.substr(0, comma), static_cast<std::int32_t>(start + comma + 1)};
    }
  }
  return {field, static_cast<std::int32_t>(start + taken)};
}

// Kept out of line, as is edit_any_real_field: the statement inlines the
// plain readers and these rarer ones would only swell it.
[[gnu::noinline]] std::int32_t edit_integer_field(std::string_view field, std::int32_t& value) {
  return parse_integer(field, /*ignore_blanks=*/true, value);
}

namespace {

// A plain integer field of eight columns or more, its blanks and digits
// looked at a word at a time. Out of line: the usual narrow field then
// costs none of the registers and constants this needs.
[[gnu::noinline]] bool wide_plain_integer_field(std::string_view field, std::int32_t& value) {
  const char* const end = field.data() + field.size();
  bool negative = false;
  const char* at = after_blanks_and_sign(field.data(), end, negative);
  const char* const first_digit = at;
  // Taken modulo 2^64 and then cut to 32 bits: the same residue as the
  // general walk's arithmetic modulo 2^32.
  const auto magnitude = static_cast<std::uint32_t>(take_digits(at, end));
  if (at == first_digit) {
    if (at != end || !only_blanks(field)) return false;
    value = 0;  // one of blanks
    return true;
  }
  while (at < end && *at == ' ') ++at;
  if (at != end) return false;
  value = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
  return true;
}

}  // namespace

bool edit_plain_integer_field(std::string_view field, std::int32_t& value) {
  if (field.size() >= 8) return wide_plain_integer_field(field, value);
  const char* at = field.data();
  const char* const end = at + field.size();
  if (std::endian::native == std::endian::little && field.size() >= 4) {
    // The leading blanks of the first four columns in one word.
    std::uint32_t word = 0;
    std::memcpy(&word, at, sizeof word);
    const std::uint32_t not_blank = word ^ 0x20202020U;
    at += not_blank != 0 ? std::countr_zero(not_blank) / 8 : 4;
  }
  while (at < end && *at == ' ') ++at;
  bool negative = false;
  if (at < end && is_sign(*at)) {
    negative = *at == '-';
    ++at;
  }
  const char* const first_digit = at;
  std::uint32_t magnitude = 0;  // modulo 2^32, as the general walk takes it
  for (; at < end; ++at) {
    const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
    if (digit > 9) break;
    magnitude = 10u * magnitude + digit;
  }
  if (at == first_digit) {
    if (at != end || !only_blanks(field)) return false;
    value = 0;  // no field, or one of blanks
    return true;
  }
  while (at < end && *at == ' ') ++at;
  if (at != end) return false;
  value = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
  return true;
}

std::int32_t edit_real_field(std::string_view field, std::int32_t decimals, TextBuffer& scratch,
                             double& value) {
  if (edit_plain_real_field(field, decimals, value)) return 0;
  return edit_any_real_field(field, decimals, scratch, value);
}

bool edit_plain_real_field(std::string_view field, std::int32_t decimals, double& value) {
  // At most 18 digits: the mantissa then stays below 10^18, where the
  // conversion always has room for a further digit, so its limits never
  // come into play and the digits can be taken as they stand.
  constexpr std::ptrdiff_t most_digits = 18;
  if (right_aligned_real(field, value)) {
    count_fast_path(FastPath::right_aligned_real);
    return true;
  }
  const char* const end = field.data() + field.size();
  bool negative = false;
  const char* at = after_blanks_and_sign(field.data(), end, negative);
  const char* const first_digit = at;
  std::uint64_t mantissa = take_digits(at, end);
  std::ptrdiff_t digits = at - first_digit;
  std::ptrdiff_t decimals_taken = 0;
  if (at < end && *at == '.') {
    const char* const first_decimal = ++at;
    const std::uint64_t fraction = take_digits(at, end);
    decimals_taken = at - first_decimal;
    digits += decimals_taken;
    if (digits > most_digits) return false;
    mantissa = mantissa * decimal_powers[static_cast<std::size_t>(decimals_taken)] + fraction;
  } else if (digits == 0 && at == end && only_blanks(field)) {
    // No field at all (a record that ends before it) or one of blanks
    // reads as zero, as it does on the general road.
    value = 0.0;
    return true;
  } else if (decimals > 0) {
    return false;  // the implied point
  }
  if (digits < 1 || digits > most_digits) return false;
  while (at < end && *at == ' ') ++at;
  if (at != end) return false;
  count_fast_path(FastPath::plain_real);
  value = plain_real_value(mantissa, decimals_taken, negative);
  return true;
}

[[gnu::noinline]] std::int32_t edit_any_real_field(std::string_view field, std::int32_t decimals,
                                                   TextBuffer& scratch, double& value) {
  // The buffer holds the field without its blanks and, behind it, the same
  // text with the implied decimal point put in; both are views into it.
  scratch.clear();
  if (!scratch.reserve(field.size())) return code::buffer_allocation_failed;
  for (const char c : field) {
    if (!is_blank(c)) scratch.append(c);
  }
  const std::size_t compact_length = scratch.size();
  std::size_t start = sign_length(scratch.view());

  if (start < compact_length && is_special_value_letter(scratch.view()[start])) {
    value = convert_decimal(scratch.view());
    return 0;
  }
  if (!only_real_characters(scratch.view().substr(start))) return code::illegal_numeric_character;

  std::string_view text = scratch.view();
  if (decimals > 0 && text.find('.') == std::string_view::npos) {
    const std::size_t d = static_cast<std::size_t>(decimals);
    std::size_t stop = start;
    while (stop < compact_length && !is_exponent_letter(text[stop])) ++stop;
    const std::size_t n = stop - start;
    const std::size_t zeros = n < d ? d - n : 0;
    // One reservation for the edited copy, so that the appends below never
    // move the characters they copy from.
    if (zeros > std::numeric_limits<std::size_t>::max() - 2 * compact_length - 1 ||
        !scratch.reserve(2 * compact_length + 1 + zeros)) {
      return code::buffer_allocation_failed;
    }
    text = scratch.view();
    const std::size_t point_at = n < d ? start : stop - d;
    scratch.append(text.substr(0, point_at));
    scratch.append('.');
    scratch.append_repeated('0', zeros);
    scratch.append(text.substr(point_at, compact_length - point_at));
    text = scratch.view().substr(compact_length);
  }
  value = convert_decimal(text);
  return 0;
}

void edit_character_field(std::string_view field, std::int32_t width, char* text,
                          std::int32_t length) {
  // A field wider than the text keeps its right-hand end.
  const std::size_t dropped =
      width > length && length >= 0 ? static_cast<std::size_t>(width - length) : 0;
  fill_text(dropped < field.size() ? field.substr(dropped) : std::string_view{}, text, length);
}

// ---------------------------------------------------------------------------
// Free-form values

std::int32_t edit_integer_value(std::string_view value, std::int32_t& result) {
  return parse_integer(value, /*ignore_blanks=*/false, result);
}

std::int32_t edit_real_value(std::string_view value, double& result) {
  if (!only_real_characters(value.substr(sign_length(value)))) {
    return code::illegal_numeric_character;
  }
  result = convert_decimal(value);
  return 0;
}

void edit_text_value(std::string_view value, char* text, std::int32_t length) {
  fill_text(value, text, length);
}

}  // namespace recordio
