// line_bytes.h - findings about how a line is written in its file rather
// than what its fields hold: a byte-order mark, tabs, CRs that end no
// line, and a last line without its line end.
#pragma once

#include <string_view>

#include "check/check_context.h"

namespace check {

struct LineBytesChecks {
  bool tabs_matter = false;      // cli::fixed columns: a tab moves every later field
  bool byte_order_mark = false;  // report a mark at the start of the file
};

// The line `file`'s trace holds, just read; `record` is the line as the
// converter sees it.
void check_line_bytes(CheckContext& context, const InputFile& file, const SourceLine& line,
                      LineBytesChecks checks);

// After end of file: a last line without its LF that the layer did not
// deliver as a record. `lost` says what that costs.
void check_undelivered_tail(CheckContext& context, const InputFile& file, std::string_view lost);

// A delivered last line without its LF. `risk` says what a cut costs.
void check_delivered_without_line_end(CheckContext& context, const InputFile& file,
                                      const SourceLine& line, std::string_view risk);

bool starts_with_byte_order_mark(std::string_view bytes);

}  // namespace check
