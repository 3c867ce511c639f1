// fixed_columns.cpp - cutting and reading the fields of fixed-column rows.
#include "nuclides/fixed_columns.h"

#include <charconv>
#include <string>

namespace nuclides {

std::string_view column_field(std::string_view line, std::int32_t first, std::int32_t last) {
  const auto from = static_cast<std::size_t>(first - 1);
  if (first < 1 || last < first || from >= line.size()) return {};
  std::string_view field = line.substr(from, static_cast<std::size_t>(last - first + 1));
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  return field;
}

bool table_number(std::string_view field, double& value, bool& estimated) {
  // Longer than any value the tables hold; anything longer is not one.
  if (field.empty() || field.size() > 40) return false;
  std::string text(field);
  estimated = false;
  for (char& c : text) {
    if (c == '#') {
      if (estimated) return false;
      estimated = true;
      c = '.';
    }
  }
  // "#" replaces the point, so a field with both is no number; a leading
  // "+" is not written by the tables and from_chars refuses it anyway.
  if (estimated && text.find('.') != text.rfind('.')) return false;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  return ec == std::errc() && stop == end;
}

bool table_integer(std::string_view field, std::int32_t& value) {
  if (field.empty()) return false;
  const auto [stop, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  return ec == std::errc() && stop == field.data() + field.size();
}

}  // namespace nuclides
