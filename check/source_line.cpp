// source_line.cpp - from the bytes of a line to the columns of its record.
#include "check/source_line.h"

#include "recordio/text_records.h"

namespace check {

SourceLine expand_line(std::string_view raw, int tab_width) {
  SourceLine line;
  line.column.reserve(raw.size());
  for (const char c : raw) {
    line.column.push_back(static_cast<std::int32_t>(line.record.size()) + 1);
    if (c == '\r') continue;
    if (c == '\t' && tab_width > 0) {
      const std::int32_t length = static_cast<std::int32_t>(line.record.size());
      line.record.append(static_cast<std::size_t>(recordio::blanks_to_tab_stop(length, tab_width)), ' ');
      continue;
    }
    line.record += c;
  }
  return line;
}

}  // namespace check
