// freq_line.cpp - placing field texts in the converter's columns.
#include "check/freq_line.h"

#include "conversion/measurements_file.h"

namespace check {

std::int32_t freq_field_width(int field) {
  return conversion::line_format[static_cast<std::size_t>(field)].width;
}

std::optional<std::string> freq_line(const FreqFields& fields) {
  std::string line;
  for (int i = 0; i < conversion::line_fields; ++i) {
    const recordio::EditDescriptor& descriptor =
        conversion::line_format[static_cast<std::size_t>(i)];
    const std::string_view text = fields[static_cast<std::size_t>(i)];
    const auto width = static_cast<std::size_t>(descriptor.width);
    if (text.size() > width) return std::nullopt;
    const std::size_t blanks = width - text.size();
    if (descriptor.kind == recordio::EditDescriptor::Kind::character) {
      line += text;
      line.append(blanks, ' ');
    } else {
      line.append(blanks, ' ');
      line += text;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace check
