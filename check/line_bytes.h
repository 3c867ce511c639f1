// line_bytes.h - rules about how a line is written in its file rather than
// what its fields hold: a byte-order mark, tabs, CRs that end no line, and
// a last line without its line end. They judge both input files alike.
#pragma once

#include <string_view>

#include "check/check_context.h"
#include "check/finding.h"

namespace check {

// Which input a line is of: what a lost line costs differs.
enum class InputKind { measurements = 0, binding_rows = 1 };

struct LineBytesChecks {
  bool tabs_matter = false;      // fixed columns: a tab moves every later field
  bool byte_order_mark = false;  // report a mark at the start of the file
};

// The line `file`'s trace holds, just read; `line.record` is the line as
// the converter sees it.
Findings line_bytes_findings(const CheckContext& context, const InputFile& file,
                             const SourceLine& line, LineBytesChecks checks);

// After end of file: a last line without its LF that the layer did not
// deliver as a record; `line` is the trace's line as the converter would
// see it (file.current_line), which the findings show.
Findings undelivered_tail_findings(const InputFile& file, const SourceLine& line, InputKind input);

// A delivered last line without its LF.
Finding delivered_without_line_end(const InputFile& file, const SourceLine& line, InputKind input);

bool starts_with_byte_order_mark(std::string_view bytes);

}  // namespace check
