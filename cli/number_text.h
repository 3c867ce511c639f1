// number_text.h - numbers shown exactly as the converter writes them.
//
// The converter's real fields round half away from zero on a 16-digit
// expansion, which is not what printf does; a value the checker prints
// beside one in "vemo.equat" must show the same digits, so it goes through
// the same field editing.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// The value as a real field with `decimals` decimals shows it, without the
// field's leading blanks.
std::string fixed(double value, int decimals);

// The whole field, blanks included, as the converter writes `value` with
// the edit descriptor Fw.d: asterisks when it does not fit.
std::string as_field(double value, std::int32_t width, std::int32_t decimals);

// A distance in standard deviations to one decimal; past a million of them
// in exponent form, since the digits say nothing there and would not fit.
std::string sigma_count(double sigmas);

}  // namespace cli
