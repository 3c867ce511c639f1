// text_records.h - lines of a text file as records, and blocks of 8192 bytes.
//
// Input: a record ends at LF, every CR is dropped and a tab becomes blanks up
// to the next tab stop. Output: every record ends in CR LF and its bytes are
// written unchanged. Bytes move between a unit's block buffer and its file
// one block at a time.
#pragma once

#include <cstdint>

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

// Where `count` bytes of finished records can go at the block position
// without the block being written first, or nullptr when they do not fit
// (end_record then takes them piece by piece). Nothing is kept until
// commit_block_bytes.
char* block_room(Unit& unit, std::int32_t count);

// Keeps the `count` bytes at the block position, records with their CR LF
// put there through block_room, as end_record would have.
void commit_block_bytes(Unit& unit, std::int32_t count);

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
