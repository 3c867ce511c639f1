// source_line.cpp - from the bytes of a line to the columns of its record.
#include "check/source_line.h"

namespace check {

SourceLine expand_line(std::string_view raw, int tab_width) {
  SourceLine line;
  line.column.reserve(raw.size());
  for (const char c : raw) {
    line.column.push_back(static_cast<std::int32_t>(line.record.size()) + 1);
    if (c == '\r') continue;
    if (c == '\t' && tab_width > 0) {
      const std::size_t width = static_cast<std::size_t>(tab_width);
      line.record.append(width - line.record.size() % width, ' ');
      continue;
    }
    line.record += c;
  }
  return line;
}

}  // namespace check
