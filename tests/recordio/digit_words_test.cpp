// digit_words_test.cpp - the word kernels against plain division and
// comparison.
//
// Each kernel is claimed exact over a whole range. The quick run takes a
// spread of values across it plus both ends; configured with
// -DFREQ2EQUAT_EXHAUSTIVE=ON the same tests take every value (a few
// seconds each).
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "recordio/digit_words.h"

namespace {

namespace dw = recordio::digit_words;

#if defined(FREQ2EQUAT_EXHAUSTIVE)
constexpr std::uint64_t stride = 1;
#else
constexpr std::uint64_t stride = 9973;  // prime: every digit position takes every value
#endif

constexpr std::uint64_t below_eight_digits = 100000000;

// The values a test walks: 0 to 10^8 - 1 by `stride`, then the top few.
template <typename Check>
void for_each_eight_digit_value(Check check) {
  for (std::uint64_t v = 0; v < below_eight_digits; v += stride) check(v);
  for (std::uint64_t v = below_eight_digits - 16; v < below_eight_digits; ++v) check(v);
}

// The digit bytes of v < 10^8 by division, the first digit in the lowest byte.
std::uint64_t divided_digits(std::uint64_t v) {
  std::uint64_t bytes = 0;
  for (int i = 7; i >= 0; --i) {
    bytes |= (v % 10) << (8 * i);
    v /= 10;
  }
  return bytes;
}

// A lane that spills into the next shows up as a wrong digit byte.
TEST(DigitWords, EightDigitsSplitEveryValueBelowTenToTheEight) {
  for_each_eight_digit_value(
      [](std::uint64_t v) { ASSERT_EQ(dw::eight_digits(v), divided_digits(v)) << v; });
}

TEST(DigitWords, EightDigitValueReadsBackEveryValueBelowTenToTheEight) {
  for_each_eight_digit_value(
      [](std::uint64_t v) { ASSERT_EQ(dw::eight_digit_value(divided_digits(v)), v) << v; });
}

// Every byte value in every column of a word of digits: only the bytes
// that are not digits are marked, and the lowest marked one is the first.
TEST(DigitWords, NotDigitBytesMarksExactlyTheFirstByteThatIsNoDigit) {
  for (int column = 0; column < 8; ++column) {
    for (unsigned byte = 0; byte < 256; ++byte) {
      const std::uint64_t word = (dw::zero_bytes & ~(std::uint64_t{0xFF} << (8 * column))) |
                                 (std::uint64_t{byte} << (8 * column));
      const std::uint64_t marks = dw::not_digit_bytes(word);
      const bool digit = byte >= '0' && byte <= '9';
      if (digit) {
        ASSERT_EQ(marks, 0u) << column << " " << byte;
      } else {
        ASSERT_NE(marks, 0u) << column << " " << byte;
        ASSERT_EQ(std::countr_zero(marks) / 8, column) << column << " " << byte;
      }
    }
  }
}

#if defined(__SSE2__) && defined(__x86_64__)
// Each v below 10^8 once as the first half and once as the last, the other
// half its mirror, so that both halves see every value.
TEST(DigitWords, SixteenDigitsSplitEveryHalfBelowTenToTheEight) {
  for_each_eight_digit_value([](std::uint64_t v) {
    const std::uint64_t mirror = below_eight_digits - 1 - v;
    alignas(16) std::uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes),
                    dw::sixteen_digits(v * below_eight_digits + mirror));
    ASSERT_EQ(lanes[0], divided_digits(v)) << v;
    ASSERT_EQ(lanes[1], divided_digits(mirror)) << v;
  });
}
#endif

}  // namespace
