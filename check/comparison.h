// comparison.h - the mass excesses of the file beside a mass table's.
#pragma once

#include <string>
#include <vector>

#include "check/check_context.h"

namespace check {

// Prints one line per reference and measurement on standard output: the
// mass excess as the converter computes it, the table's, their difference
// in micro-u and in combined standard deviations.
// The title names the table as `table_described` gives it (file, edition,
// checksum), the note on estimates by `table_name`.
void print_comparison(const ComparedRows& compared, const std::string& table_name,
                      const std::string& table_described);

}  // namespace check
