// fast_path_counts.h - how often each fast road of the layer was taken.
//
// Every fast road sits in front of a general one that gives the same
// result, so a change that quietly stops a fast road from being taken
// breaks no output, only the speed. The tests build the layer a second time
// with FREQ2EQUAT_COUNT_FAST_PATHS, run work of the program's shape and
// hold each road to being taken; in every other build counting is nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace recordio {

enum class FastPath : std::size_t {
  laid_out_write,          // a write's records copied into the block in one piece
  compiled_write,          // the fields of such a write by code compiled for its list
  small_integer,           // Iw of 0 to 999 from a table
  real_in_words,           // Fw.d of 4 to 16 columns built in machine words
  real_from_shown_digits,  // Fw.d from the shown digits, pair by pair
  line_scan_in_words,      // a line cut sixteen bytes at a time
  compiled_read,           // a line's fields by code compiled for its list
  plain_integer,           // Iw without the general walk
  right_aligned_real,      // Fw.d with its point, read in two words
  plain_real,              // Fw.d as one run of digits, without the text conversion
  whole_character_field,   // Aw as wide as its text, in one move
  count
};

#if defined(FREQ2EQUAT_COUNT_FAST_PATHS)
using FastPathCounts = std::array<std::uint64_t, static_cast<std::size_t>(FastPath::count)>;
FastPathCounts& fast_path_counts();
inline void count_fast_path(FastPath path) { ++fast_path_counts()[static_cast<std::size_t>(path)]; }
#else
inline void count_fast_path(FastPath) {}
#endif

}  // namespace recordio
