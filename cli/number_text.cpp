// number_text.cpp - real values through the record layer's field editing.
#include "cli/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "recordio/current_record.h"
#include "recordio/output_fields.h"

namespace cli {

std::string fixed(double value, int decimals) {
  recordio::DigitString digits;
  // A listing prints millions of these: a field of 40 columns holds every
  // value below 10^22 and is tried first; the record layer fills a field
  // too narrow with asterisks.
  constexpr std::int32_t narrow = 40;
  if (decimals >= 0 && decimals <= 16) {
    // The editing writes only the columns it shows: the rest stay blank.
    char text[narrow];
    std::fill_n(text, narrow, ' ');
    recordio::edit_real(text, value, narrow, decimals, digits);
    if (text[0] != '*') {
      std::string_view shown(text, narrow);
      return std::string(shown.substr(std::min(shown.find_first_not_of(' '), shown.size())));
    }
  }
  // Wide enough for any double with up to 16 decimals: 309 digits before
  // the point at most.
  constexpr std::int32_t width = 340;
  recordio::CurrentRecord field;
  if (!recordio::edit_real(field, value, width, decimals, digits)) return "?";
  std::string text(field.view());
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? text : text.substr(first);
}

std::string as_field(double value, std::int32_t width, std::int32_t decimals) {
  std::string field(static_cast<std::size_t>(width), ' ');
  recordio::DigitString digits;
  recordio::edit_real(field.data(), value, width, decimals, digits);
  return field;
}

std::string sigma_count(double sigmas) {
  // Rounded to one decimal, a tiny negative value would show as -0.0.
  if (std::fabs(sigmas) < 0.05) sigmas = 0.0;
  char text[32];
  std::snprintf(text, sizeof text, std::fabs(sigmas) < 1.0e6 ? "%.1f" : "%.1e", sigmas);
  return text;
}

}  // namespace cli
