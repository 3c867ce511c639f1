// digit_words.h - decimal digits eight at a time in a 64-bit word, and
// sixteen at a time in an SSE2 register.
//
// The kernels under the field editors' fast roads: telling digits from
// other bytes, turning eight digit bytes into their number, and splitting a
// number into its digit bytes. A byte of a word stands for one column, the
// first column in the lowest byte, which is memory order on a little-endian
// machine; the callers use these only there. Every claim "exact for every
// v below 10^8" is checked by digit_words_test, over every such v when the
// tests are built with FREQ2EQUAT_EXHAUSTIVE=ON.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace recordio::digit_words {

constexpr std::uint64_t every_byte(std::uint8_t b) { return 0x0101010101010101 * b; }

inline constexpr std::uint64_t zero_bytes = every_byte('0');
inline constexpr std::uint64_t blank_bytes = every_byte(' ');

// The mask of the top `count` bytes of a word (0 to 8).
constexpr std::uint64_t top_bytes(int count) {
  return count == 0 ? 0 : ~std::uint64_t{0} << (64 - 8 * count);
}

inline std::uint64_t load_word(const char* at) {
  std::uint64_t word = 0;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// ---------------------------------------------------------------------------
// Reading

// Nonzero in every byte of `word` that is not a digit, from the first such
// byte on (the bytes above it may be marked wrongly, which only the first
// one's place is wanted for). A digit is 0x30 to 0x39: high nibble 3, and
// still 3 after adding 6; the test of both nibbles is the eight-digit
// check of simdjson (is_made_of_eight_digits_fast, D. Lemire and others).
constexpr std::uint64_t not_digit_bytes(std::uint64_t word) {
  constexpr std::uint64_t high_nibbles = 0xF0F0F0F0F0F0F0F0;
  return ((word & high_nibbles) ^ zero_bytes) |
         (((word + 0x0606060606060606) & high_nibbles) ^ zero_bytes);
}

// The number eight digit values make (each byte 0 to 9, the first digit in
// the lowest byte): pairs, then fours, then the eight, by three
// multiplications. The technique and its constants are aqrit's, as
// explained in D. Lemire, "SWAR explained: parsing eight digits" (2022),
// https://lemire.me/blog/2022/01/21/swar-explained-parsing-eight-digits/
constexpr std::uint64_t eight_digit_value(std::uint64_t digits) {
  digits = digits * 10 + (digits >> 8);  // every other byte: 10 x d(i) + d(i+1)
  constexpr std::uint64_t pairs = 0x000000FF000000FF;
  return ((digits & pairs) * (100 + (1000000ULL << 32)) +
          ((digits >> 16) & pairs) * (1 + (10000ULL << 32))) >>
         32;
}

// ---------------------------------------------------------------------------
// Writing

// The eight digits of v < 10^8, zero-padded, as byte values 0 to 9, the
// first in the lowest byte. Each step splits every lane in two by a
// multiplication and a shift that is exact over the lane's whole range:
// 10^4 as 109951163 / 2^40 below 10^8, 100 as 10486 / 2^20 below 10^4, 10
// as 103 / 2^10 below 100; no lane's product reaches into the next lane.
// The quotient stays in the lower half of the lane and the remainder goes
// to the upper one by one multiplication: (x << b) - q x ((m << b) - 1).
constexpr std::uint64_t eight_digits(std::uint64_t v) {
  const std::uint64_t high4 = (v * 109951163) >> 40;
  std::uint64_t lanes = (v << 32) - high4 * ((std::uint64_t{10000} << 32) - 1);
  const std::uint64_t high2 = ((lanes * 10486) >> 20) & 0x0000007F0000007F;
  lanes = (lanes << 16) - high2 * ((std::uint64_t{100} << 16) - 1);
  const std::uint64_t high1 = ((lanes * 103) >> 10) & 0x000F000F000F000F;
  return (lanes << 8) - high1 * ((std::uint64_t{10} << 8) - 1);
}

#if defined(__SSE2__) && defined(__x86_64__)
inline constexpr bool has_sixteen_digits = true;

// The sixteen digits of v < 10^16, zero-padded, as byte values 0 to 9, the
// first in the lowest byte, in eight 16-bit lanes at a time: the two halves
// of eight digits are split into four-digit numbers x by 3518437209 / 2^45
// (exact below 2^32); each x, times four so that the last lane loses no
// bit, goes to four lanes that take x / 1000, x / 100, x / 10 and x by two
// high-half multiplications, the second a shift; ten times each lane,
// moved one lane up, taken away leaves one digit per lane. The lane
// factors are those of W. Mula's SSE2 conversion of integers to decimal
// text ("SSE: conversion integers to decimal representation", 0x80.pl).
inline __m128i sixteen_digits(std::uint64_t v) {
  const std::uint64_t first = v / 100000000;
  const std::uint64_t last = v - first * 100000000;
  const __m128i halves =
      _mm_set_epi64x(static_cast<long long>(last), static_cast<long long>(first));
  const __m128i high = _mm_srli_epi64(_mm_mul_epu32(halves, _mm_set1_epi64x(3518437209)), 45);
  const __m128i low = _mm_sub_epi32(halves, _mm_mul_epu32(high, _mm_set1_epi64x(10000)));
  const __m128i fours = _mm_slli_epi16(_mm_or_si128(high, _mm_slli_epi64(low, 16)), 2);
  const __m128i first_fours = _mm_unpacklo_epi16(fours, fours);
  const __m128i last_fours = _mm_unpackhi_epi16(fours, fours);
  const __m128i divide = _mm_set_epi16(-32768, -13107, 5243, 8389, -32768, -13107, 5243, 8389);
  const __m128i shift = _mm_set_epi16(-32768, 2048, 2048, 128, -32768, 2048, 2048, 128);
  // The last lane of each four is moved out, so its factor does not matter;
  // a 1 there keeps the compiler from turning the product into shifts.
  const __m128i ten = _mm_set_epi16(1, 10, 10, 10, 1, 10, 10, 10);
  const auto digits = [&](__m128i four_lanes) {
    const __m128i q = _mm_mulhi_epu16(_mm_mulhi_epu16(four_lanes, divide), shift);
    return _mm_sub_epi16(q, _mm_slli_epi64(_mm_mullo_epi16(q, ten), 16));
  };
  return _mm_packus_epi16(digits(_mm_unpacklo_epi32(first_fours, first_fours)),
                          digits(_mm_unpacklo_epi32(last_fours, last_fours)));
}
#else
inline constexpr bool has_sixteen_digits = false;
#endif

}  // namespace recordio::digit_words
