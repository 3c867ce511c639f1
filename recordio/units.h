// units.h - numbered units, their connection and release, and the run's end.
//
// The unit table ties unit numbers to open files in the order they were
// connected; the run's stop and the failure report walk it in that order,
// so every record written before either reaches its file.
#pragma once

#include <cstdint>

#include "recordio/platform.h"
#include "recordio/record_trace.h"
#include "recordio/statement.h"

namespace recordio {

inline constexpr std::int32_t block_size = 8192;

enum class ConnectStatus { unspecified, new_file, old_file };

// One connection, with the block state its text records use.
struct Unit {
  Unit* next = nullptr;  // unit table order
  std::int32_t number = 0;
  char* name = nullptr;  // as opened, NUL-terminated, owned
  std::size_t name_length = 0;
  platform::Handle handle = platform::no_handle;
  bool readable = true;
  bool writable = true;
  ConnectStatus status = ConnectStatus::unspecified;
  bool formatted = true;
  bool delete_on_release = false;
  bool character_device = false;
  bool disk_file = false;
  bool truncate_pending = false;

  char* block = nullptr;  // block_size bytes
  std::int32_t valid_count = 0;
  std::int32_t block_position = 0;
  std::int64_t block_index = 0;
  bool modified = false;
  bool written = false;  // a block went out: its close may still report a failure
  bool at_end_of_file = false;

  int tab_width = 8;
  std::int32_t max_record_length = 2147483647;
  std::int32_t last_error = 0;

  // Set by a caller that wants to know the lines behind the records; not
  // owned by the unit.
  RecordTrace* trace = nullptr;
};

// The connect statement: file_name, status_keyword and form_keyword of the
// request. Returns success or the outcome of the condition met.
Outcome open_unit(StatementRequest& request);

// The release statement, with an optional status keyword (KEEP or DELETE).
Outcome close_unit(StatementRequest& request);

// Writes out and closes every unit in connection order and ends the process
// with exit status 0, printing nothing.
[[noreturn]] void stop_run(StatementRequest& request);

// The connection of `number` in the unit table, or nullptr; never a console
// stream (connect and release look numbers up here).
Unit* find_unit(std::int32_t number);

// The unit a read or write statement names: its connection in the table,
// else the console stream of units 5, 6, 0, 9 and -1 (console_units.h).
// nullptr after raising the condition for an unconnected or unsuitable unit
// (the outcome is stored in `outcome`).
Unit* unit_for_transfer(StatementRequest& request, bool for_writing, Outcome& outcome);

// Writes out and closes every unit in connection order, then frees the
// console connections, which need nothing more. A block that cannot be
// written, or a failing close of a unit that was written, is a fatal
// condition of a WRITE on that unit, except on the fatal path itself
// (`for_failure_report`), where it is passed over so that the first
// condition is the one reported and every other unit still closes.
void release_all_units(bool for_failure_report);

}  // namespace recordio
