// output_editing.h - write statements: fixed-column fields and free-form text.
//
// A write runs as begin_write, one write_item per item in list order (or
// write_items for several in one call), end_write. Characters go straight
// into the current record; end_record moves each finished record into the
// unit's block buffer.
#pragma once

#include <span>

#include "recordio/statement.h"

namespace recordio {

// Finds the unit; a fixed-column write starts at the first descriptor, a
// free-form write stores one blank and sets the text-follows flag.
Outcome begin_write(StatementRequest& request);

// Edits one item: the skips, literals and record breaks up to the next field,
// then the field (fixed-column), or the free-form layout of a text item.
Outcome write_item(StatementRequest& request, OutputItem item);

// The items in order, as that many write_item calls make them, up to the
// first outcome other than success, which it returns.
Outcome write_items(StatementRequest& request, std::span<const OutputItem> items);

// Applies the descriptors after the last field used, stopping at the first
// field or the end of the list, and ends the record.
Outcome end_write(StatementRequest& request);

}  // namespace recordio
