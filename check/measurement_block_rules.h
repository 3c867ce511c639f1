// measurement_block_rules.h - slips that only a whole block or the whole
// measurements file shows.
//
// A line pasted twice, a line lost, an extra NEW line, a reference nuclide
// given two mass excesses, a slip in the reference line that makes every
// ratio of its block look wrong: each line on its own reads well, so these
// are judged over the block or the file and reported at the line to mend.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

#include "check/finding.h"

namespace check {

class BlockRules {
 public:
  explicit BlockRules(std::string file) : file_(std::move(file)) {}

  // A reference line begins a block; the previous one must have been
  // ended (end_block) and its findings placed, since they show its
  // reference line. `judged` is false for a line that is no real reference (blank, a
  // second NEW), whose block is not judged as a whole.
  struct ReferenceLine {
    std::int64_t line = 0;
    std::string record;
    std::int32_t mass_number_column = 1;
    std::int32_t value_column = 13;
    std::string nuclide;  // "85Rb", the symbol as written
    double mass_excess = 0.0;
    bool judged = true;
  };
  Findings reference(const ReferenceLine& reference);

  // A measurement line of the current block, with its record as read:
  // a repeat of an earlier line of the block is reported on it.
  Findings measurement(std::int64_t line, const std::string& record);

  // The current block's last measurement fits neither its ratio nor the
  // inverse.
  void ratio_fits_neither() { ++ratio_failures_; }

  // The block ends (a NEW line, or the end of the file).
  Findings end_block();

 private:
  std::string file_;
  bool open_ = false;
  ReferenceLine reference_;
  // The block's measurement lines by the columns the converter reads, and
  // the first line that held them.
  std::unordered_map<std::string, std::int64_t> lines_;
  std::int64_t measured_ = 0;
  std::int64_t ratio_failures_ = 0;
  // The first mass excess given to each reference nuclide, and where.
  std::map<std::string, std::pair<double, std::int64_t>> reference_values_;
};

}  // namespace check
