// record_trace.h - the lines behind a unit's records, for a reader that
// reports on a file rather than only using it.
//
// A record loses what the file held around it: its line number, its CRs,
// its tabs (expanded to blanks) and whether its line ended with LF at all.
// A unit with a trace keeps these for the record just read, at the cost of
// one copy of its bytes; a unit without one (the converter's) pays nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "recordio/text_buffer.h"

namespace recordio {

struct RecordTrace {
  // Number of the line the current record was cut from, 1 for the first.
  // After end of file: the line that would have come next.
  std::int64_t line_number = 0;
  // LFs met so far: every line before the current one ended with one.
  std::int64_t lines_ended = 0;
  // The line's bytes as the file holds them (CRs and tabs included), up to
  // its LF or the end of the file. When end of file is reported this holds
  // whatever an unterminated last line had, delivered as a record or not.
  TextBuffer raw;
  // The line ended with LF (false: it ran into the end of the file).
  bool line_feed = false;
  // The bytes could not be kept (memory); `raw` is then incomplete.
  bool incomplete = false;

  void start_line() {
    line_number = lines_ended + 1;
    raw.clear();
    line_feed = false;
    incomplete = false;
  }
  void keep(std::string_view bytes) {
    if (!raw.append(bytes)) incomplete = true;
  }
  void end_line() {
    line_feed = true;
    ++lines_ended;
  }
};

}  // namespace recordio
