// text_records.h - lines of a text file as records, and blocks of 8192 bytes.
//
// Input: a record ends at LF, every CR is dropped and a tab becomes blanks up
// to the next tab stop. Output: every record ends in CR LF and its bytes are
// written unchanged. Bytes move between a unit's block buffer and its file
// one block at a time.
#pragma once

#include <cstdint>
#include <string_view>

#include "recordio/statement.h"
#include "recordio/units.h"

namespace recordio {

// Cuts the unit's next line into the current record, position at column 1.
// At the end of the file a last line without its LF that holds at least one
// byte is still delivered; the next call reports end of file through
// end_of_file_condition. A refused read raises the system's code.
Outcome read_record(Unit& unit, StatementRequest& request);

// Ends the current record with CR LF, moves it into the unit's block buffer
// (writing each block that fills) and empties the current record.
Outcome end_record(Unit& unit, StatementRequest& request);

// Laid-out writes: records known in advance but for their fields' contents
// (prepared_format.h) are copied into the block once, their fields edited
// there, and then kept in one step, or handed back to the list walk.

// Copies `records` (whole records, each ended by CR LF) to the block
// position when they fit in the room the block has left, and returns
// where they are, for their fields to be edited in place. Nothing is kept
// until commit_records. nullptr, nothing copied, when they do not fit or
// the unit is a character device: end_record then takes them one by one.
char* reserve_records(Unit& unit, std::string_view records);

// Keeps the first `count` bytes of the reserved records.
void commit_records(Unit& unit, std::int32_t count);

// Keeps the reserved records before `record_start` and makes the current
// record the first `length` bytes of the one that starts there: an
// unfinished record that the list walk goes on with, its position at its
// end. False (the records before it still kept) when the current record
// cannot grow.
bool resume_record(Unit& unit, std::int32_t record_start, std::int32_t length);

// Writes the valid bytes of the block buffer to the file.
Outcome write_block(Unit& unit, StatementRequest& request);

// Writes the block buffer out when it holds bytes not yet in the file.
Outcome flush_unit(Unit& unit, StatementRequest& request);

// The tab width of the run, from TABSIZE; looked up once.
int tab_width();

// The tab width a TABSIZE value gives: `value` holds the first bytes of it
// (nullptr when unset) and `length` its full length.
int tab_width_from(const char* value, std::int64_t length);

// The blanks a tab becomes in a record that holds `length` characters: up to
// the next tab stop, a multiple of `width` (at least 1; a width of 0 keeps
// the tab itself and is not asked here). Anything that shows where a column
// of an input line lands must count with this.
constexpr std::int32_t blanks_to_tab_stop(std::int32_t length, int width) {
  return width - length % width;
}

}  // namespace recordio
