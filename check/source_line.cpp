// source_line.cpp - from the bytes of a line to the columns of its record.
#include "check/source_line.h"

#include "recordio/text_records.h"

namespace check {

namespace {

// Length of the record that the bytes of `raw` make.
std::int64_t record_length(std::string_view raw, int tab_width) {
  std::int64_t length = 0;
  for (const char c : raw) {
    if (c == '\r') continue;
    if (c == '\t' && tab_width > 0) {
      length += recordio::blanks_to_tab_stop(static_cast<std::int32_t>(length), tab_width);
      continue;
    }
    ++length;
  }
  return length;
}

}  // namespace

std::int32_t SourceLine::column(std::size_t index) const {
  return static_cast<std::int32_t>(record_length(raw.substr(0, index), tab_width) + 1);
}

SourceLine expand_line(std::string_view raw, int tab_width) {
  SourceLine line;
  line.raw = raw;
  line.tab_width = tab_width;
  line.record.reserve(raw.size());
  for (const char c : raw) {
    if (c == '\r') continue;
    if (c == '\t' && tab_width > 0) {
      const std::int32_t length = static_cast<std::int32_t>(line.record.size());
      line.record.append(static_cast<std::size_t>(recordio::blanks_to_tab_stop(length, tab_width)),
                         ' ');
      continue;
    }
    line.record += c;
  }
  return line;
}

}  // namespace check
