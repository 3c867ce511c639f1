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

#include "recordio/digit_words.h"
#include "recordio/fast_path_counts.h"
#include "recordio/real_field_shape.h"

namespace recordio {

using namespace digit_words;

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

// ---------------------------------------------------------------------------
// Real fields laid out in machine words
//
// A real field of 4 to 16 columns is built as the image of its last 16
// columns, byte j of the image standing for column j, so that on a
// little-endian machine the image is the columns in memory order. The
// digits are split out several at a time in lanes, the point, the blanks
// and the sign are put in with masks, and one or two stores that stay
// inside the field put it in place (its other columns hold blanks already).
// That is a handful of instructions per field where the pair-by-pair
// writer spends several per digit.

constexpr bool words_in_memory_order = std::endian::native == std::endian::little;

// `low` holds bytes 0 to 7, `high` bytes 8 to 15.
struct alignas(16) Image {
  std::uint64_t low;
  std::uint64_t high;
};

// The highest k bytes of an image set.
constexpr Image top_image_bytes(std::size_t k) {
  if (k <= 8) return {0, top_bytes(static_cast<int>(k))};
  return {top_bytes(static_cast<int>(k < 16 ? k - 8 : 8)), ~std::uint64_t{0}};
}

// For d decimals (at most 7, so that the point falls in the high word):
// the bytes the decimals keep, the bytes that move one byte down to make
// room for the point, and what turns the point's byte, a '0' once
// `Characters` has been added, into '.'.
struct PointMasks {
  Image decimals;
  Image moved;
  Image point_from_zero;
};
constexpr int most_decimals_in_words = 7;
constexpr std::array<PointMasks, most_decimals_in_words + 1> point_masks = [] {
  std::array<PointMasks, most_decimals_in_words + 1> masks{};
  for (std::size_t d = 0; d < masks.size(); ++d) {
    const std::uint64_t kept = top_image_bytes(d).high;
    const std::uint64_t with_point = top_image_bytes(d + 1).high;
    masks[d] = {{0, kept},
                {~std::uint64_t{0}, ~with_point},
                {0, (with_point ^ kept) & every_byte('0' - '.')}};
  }
  return masks;
}();

// For an image whose last k bytes hold what is shown, digits as values 0 to
// 9, and zeros in front: what turns those k bytes into digits and the
// others into blanks, and what turns the blank just left of them into a
// minus sign. No byte carries into the next.
struct Characters {
  Image digits_and_blanks;
  Image sign;
};
constexpr std::array<Characters, 17> characters = [] {
  std::array<Characters, 17> masks{};
  for (std::size_t k = 0; k < masks.size(); ++k) {
    const Image shown = top_image_bytes(k);
    const Image with_sign = top_image_bytes(k + 1);
    const std::uint64_t digit = every_byte('0' - ' ');
    const std::uint64_t sign = every_byte('-' - ' ');
    masks[k] = {{every_byte(' ') + (shown.low & digit), every_byte(' ') + (shown.high & digit)},
                {(with_sign.low ^ shown.low) & sign, (with_sign.high ^ shown.high) & sign}};
  }
  return masks;
}();

// The high word of the image of a field that shows at most eight
// characters, sign included: `digits` the shown digits, below 10^7.
std::uint64_t short_image(std::uint64_t digits, const PointMasks& point, const Characters& make,
                          std::int64_t s) {
  const std::uint64_t last = eight_digits(digits);
  std::uint64_t high = (last & point.decimals.high) | (last >> 8 & point.moved.high);
  high += make.digits_and_blanks.high - point.point_from_zero.high;
  return s != 0 ? high + make.sign.high : high;
}

#if defined(__SSE2__) && defined(__x86_64__)
__m128i load(const Image& image) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(&image));
}

// The image of a field that shows more than eight characters; the image's
// first digit, which the point pushes out, is a padding zero, since no
// field of 16 columns or fewer shows sixteen digits.
Image long_image(std::uint64_t digits, const PointMasks& point, const Characters& make,
                 std::int64_t s) {
  __m128i image = sixteen_digits(digits);
  image = _mm_or_si128(_mm_and_si128(image, load(point.decimals)),
                       _mm_and_si128(_mm_srli_si128(image, 1), load(point.moved)));
  image =
      _mm_sub_epi8(_mm_add_epi8(image, load(make.digits_and_blanks)), load(point.point_from_zero));
  if (s != 0) image = _mm_add_epi8(image, load(make.sign));
  return {static_cast<std::uint64_t>(_mm_cvtsi128_si64(image)),
          static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(image, image)))};
}
#else
Image long_image(std::uint64_t, const PointMasks&, const Characters&, std::int64_t) { return {}; }
#endif

void store(char* to, std::uint64_t bytes) { std::memcpy(to, &bytes, sizeof bytes); }
void store(char* to, std::uint32_t bytes) { std::memcpy(to, &bytes, sizeof bytes); }

// Stores a field of 4 or more columns whose characters all stand in the
// high word of its image.
void store_high(char* field, std::uint64_t high, std::int64_t width) {
  if (width >= 8) return store(field + width - 8, high);
  store(field + width - 4, static_cast<std::uint32_t>(high >> 32));
  store(field, static_cast<std::uint32_t>(high >> (8 * (8 - width))));
}

// Stores the last `width` (9 to 16) bytes of the image as the field.
void store_both(char* field, Image image, std::int64_t width) {
  __extension__ using Wide = unsigned __int128;
  const auto dropped = static_cast<unsigned>(8 * (16 - width)) & 63;
  store(field + width - 8, image.high);
  store(field, static_cast<std::uint64_t>((Wide{image.high} << 64 | image.low) >> dropped));
}

// The last four columns of an Iw.1 field (w at least 4) for every value
// from 0 to 999: the mass numbers of every equation record take one load
// and one store instead of a digit count and digits pair by pair.
constexpr int small_integers = 1000;
constexpr std::array<std::array<char, 4>, small_integers> small_integer_columns = [] {
  std::array<std::array<char, 4>, small_integers> columns{};
  for (std::size_t v = 0; v < columns.size(); ++v) {
    std::size_t rest = v;
    for (std::size_t i = 4; i-- > 0;) {
      columns[v][i] = i == 3 || rest != 0 ? static_cast<char>('0' + rest % 10) : ' ';
      rest /= 10;
    }
  }
  return columns;
}();

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
  if (static_cast<std::uint32_t>(value) < small_integers && w >= 4 && min_digits == 1) {
    count_fast_path(FastPath::small_integer);
    const auto& columns = small_integer_columns[static_cast<std::size_t>(value)];
    std::memcpy(field + w - 4, columns.data(), columns.size());
    return;
  }
  const std::int64_t count = decimal_digit_count(static_cast<std::uint32_t>(magnitude));
  const std::int64_t zeros = std::max<std::int64_t>(std::int64_t{min_digits} - count, 0);
  const std::int64_t length = (negative ? 1 : 0) + zeros + count;
  if (length > w) return asterisks(field, w);

  char* at = digits_leftwards(field + w, magnitude, count);
  for (std::int64_t i = 0; i < zeros; ++i) *--at = '0';
  if (negative) *--at = '-';
}

namespace {

// Right to left: the decimals (the -n zeros of a value below one come out
// of the integer as leading zeros), the point, the integer digits or the
// "0" that stands for none, the sign; the blanks are there already.
void lay_out_leftwards(char* field, const ShownDigits& digits, std::int64_t w, std::int64_t d,
                       const RealShape& shape) {
  if (shape.length() > w) return asterisks(field, w);
  std::uint64_t rest = digits.shown;
  char* at = digits_leftwards(field + w, rest, d);
  *--at = '.';
  at = digits_leftwards(at, rest, shape.integer_digits);
  if (shape.zero_before_point) *--at = '0';
  if (shape.sign) *--at = '-';
}

// For 4 to 16 columns and at most 7 decimals, on little-endian machines.
bool takes_words(std::int64_t w, std::int64_t d) {
  return words_in_memory_order && static_cast<std::uint64_t>(w - 4) <= 16 - 4 &&
         static_cast<std::uint64_t>(d) <= most_decimals_in_words;
}

// The shown digits zero-padded to eight or sixteen, those left of the
// decimals moved one byte down to make room for the point; the "0" before
// the point of a value below one is a padding zero that is kept.
// `characters` then makes the shown bytes digits and the point, the others
// blanks, and the sign goes just left of them.
void lay_out_in_words(char* field, const ShownDigits& digits, std::int64_t w, std::int64_t d,
                      const RealShape& shape) {
  if (shape.length() > w) return asterisks(field, w);
  const std::int64_t s = shape.sign ? 1 : 0;
  const PointMasks& point = point_masks[static_cast<std::size_t>(d)];
  const Characters& make = characters[static_cast<std::size_t>(shape.shown)];
  if (shape.length() <= 8) return store_high(field, short_image(digits.shown, point, make, s), w);
  if (!has_sixteen_digits) return lay_out_leftwards(field, digits, w, d, shape);
  store_both(field, long_image(digits.shown, point, make, s), w);
}

}  // namespace

bool edit_real_from_shown_digits(char* field, double value, std::int32_t width,
                                 std::int32_t decimals) {
  ShownDigits digits;
  if (width <= 0 || decimals < 0 || !shown_digits(value, decimals, digits)) return false;
  lay_out_leftwards(field, digits, width, decimals,
                    shown_shape(digits, width, decimals, sign_bit(value)));
  return true;
}

bool edit_real_in_words(char* field, double value, std::int32_t width, std::int32_t decimals) {
  ShownDigits digits;
  if (!takes_words(width, decimals) || !shown_digits(value, decimals, digits)) return false;
  lay_out_in_words(field, digits, width, decimals,
                   shown_shape(digits, width, decimals, sign_bit(value)));
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
  const RealShape shape = real_shape(n, w, d, negative);
  if (shape.length() > w) return asterisks(field, w);
  out.run(' ', w - shape.length());
  out.sign(shape.sign);
  out.digits(digits, 1, shape.integer_digits);
  if (shape.zero_before_point) out.put('0');
  out.put('.');
  // D(n + 1) to D(n + d): a digit before D1 reads as '0', which gives a
  // value below one its zeros after the point.
  out.digits(digits, n + 1, n + d);
}

void edit_real(char* field, double value, std::int32_t width, std::int32_t decimals,
               DigitString& digits) {
  ShownDigits shown;
  const bool negative = sign_bit(value);
  if (takes_words(width, decimals)) {
    if (shown_digits(value, decimals, shown)) {
      count_fast_path(FastPath::real_in_words);
      return lay_out_in_words(field, shown, width, decimals,
                              shown_shape(shown, width, decimals, negative));
    }
  } else if (width > 0 && decimals >= 0 && shown_digits(value, decimals, shown)) {
    count_fast_path(FastPath::real_from_shown_digits);
    return lay_out_leftwards(field, shown, width, decimals,
                             shown_shape(shown, width, decimals, negative));
  }
  edit_real_from_digit_string(field, value, width, decimals, digits);
}

void edit_character(char* field, std::string_view text, std::int32_t width) {
  const auto w = static_cast<std::size_t>(width);
  const std::size_t count = std::min(w, text.size());
  char* const first = field + (w - count);
  // Symbols and flags are a few bytes: two overlapping four-byte copies,
  // or a short loop, beat a call to memcpy.
  if (count >= 4 && count <= 8) {
    std::memcpy(first, text.data(), 4);
    std::memcpy(first + count - 4, text.data() + count - 4, 4);
  } else if (count < 4) {
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
