// source_line.h - a line as the file holds it, and as the converter sees it.
//
// The trace of a unit keeps a line's bytes with their CRs and tabs; the
// record the converter edits has the CRs dropped and each tab turned into
// blanks up to the next tab stop. A finding about a CR or a tab must point
// at the column where the converter has it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace check {

struct SourceLine {
  std::string record;                 // as the converter sees it
  std::vector<std::int32_t> column;   // per byte of the raw line: its column in `record`
};

// `tab_width` as the record layer uses it (0 keeps tabs as characters).
SourceLine expand_line(std::string_view raw, int tab_width);

}  // namespace check
