// input_editing.h - read statements: fixed-column fields and free-form values.
//
// A read runs as begin_read, one read_item per item in list order (or
// read_items for several in one call), end_read; the caller tests the outcome after each call and
// leaves the statement at the first one that is not success. An item that receives nothing keeps
// its previous contents.
#pragma once

#include <span>

#include "recordio/statement.h"

namespace recordio {

// Sets the status variable to 0, clears the statement-failed mark, finds the
// unit and reads the statement's first record.
Outcome begin_read(StatementRequest& request);

// Edits one item from the current record (fixed-column, by the next
// descriptor of the format list) or from the next value (free-form).
Outcome read_item(StatementRequest& request, InputItem item);

// The items in order, as that many read_item calls make them, up to the
// first outcome other than success, which it returns.
Outcome read_items(StatementRequest& request, std::span<const InputItem> items);

// One item by one field of a laid-out list of fields, as read_item reads
// it, for the reads compiled for constant lists (compiled_fields.h).
Outcome read_laid_out_field(StatementRequest& request, const EditDescriptor& descriptor,
                            InputItem item);

// Drops the rest of the current record; the next read starts on the next line.
Outcome end_read(StatementRequest& request);

// The column (1 for the first) where the value of the last free-form item
// began in its record, so that a report can point at it.
std::int32_t free_form_value_column();

}  // namespace recordio
