// free_form_input.h - cutting free-form values out of a run of records.
//
// A free-form read takes its values from the current record, separated by
// blanks, commas or line ends, and moves on to further records as it needs
// them. This scanner finds the next value (or null value) for one item; it
// knows nothing of item types beyond whether quotes open a text value, and
// it raises no conditions: the statement turns its results into outcomes.
#pragma once

#include <cstdint>
#include <string_view>

#include "recordio/text_buffer.h"

namespace recordio {

// Supplies the next record into the current record (position at column 1).
// Returns false when there is none; the source keeps the reason.
class RecordSource {
 public:
  virtual ~RecordSource() = default;
  virtual bool next_record() = 0;
};

// A value for one item: null leaves the item unchanged.
struct FreeFormValue {
  bool null = true;
  std::string_view text{};  // valid until the next call of the scanner
};

enum class ScanResult {
  value,          // `value` is filled
  no_record,      // the source had no further record (end of file or its condition)
  out_of_memory,  // the value could not be held: condition 10004
};

// The free-form reader's state: the repeat counter, the last value and the
// record-end flag. One of them serves the whole run, because at most one
// statement is in progress at any time.
class FreeFormScanner {
 public:
  // At the start of each free-form statement: no repeat is pending.
  void begin_statement();

  // At the end of a statement and at any condition.
  void end_statement() { record_end_ = false; }

  // The value for the next item. `text_item` tells whether a quote opens a
  // quoted value (for numbers a quote is an ordinary character).
  ScanResult next_value(RecordSource& records, bool text_item, FreeFormValue& value);

  // Set while the last value ended exactly at the end of its record.
  bool record_end() const { return record_end_; }

  // The column (1 for the first) where the last value scanned, or its
  // repeat count, begins in its record; 0 before any.
  std::int32_t value_column() const { return value_column_; }

 private:
  ScanResult scan(RecordSource& records, bool text_item);
  ScanResult scan_quoted(RecordSource& records, char quote);
  void scan_unquoted_tail(std::string_view record, std::size_t from);

  std::int32_t repeat_ = 0;
  bool last_null_ = true;
  TextBuffer last_value_;
  bool record_end_ = false;
  std::int32_t value_column_ = 0;
};

}  // namespace recordio
