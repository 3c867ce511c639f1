// source_line.h - a line as the file holds it, and as the converter sees it.
//
// The trace of a unit keeps a line's bytes with their CRs and tabs; the
// record the converter edits has the CRs dropped and each tab turned into
// blanks up to the next tab stop. A finding about a CR or a tab must point
// at the column where the converter has it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace check {

struct SourceLine {
  std::string record;    // as the converter sees it
  std::string_view raw;  // the line's bytes, owned by the unit's trace
  int tab_width = 8;

  // The column in `record` of byte `index` of `raw` (one past the end for
  // the end of the line). Counted on demand: a finding asks for one or two
  // columns, and a table of them would take four bytes per byte of a line
  // that may be hundreds of megabytes long.
  std::int32_t column(std::size_t index) const;
};

// `tab_width` as the record layer uses it (0 keeps tabs as characters).
SourceLine expand_line(std::string_view raw, int tab_width);

}  // namespace check
