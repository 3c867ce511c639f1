// units.cpp - the unit table, connect and release, and the run's end.
//
// Connections are kept in the order they were made: the run's stop and the
// failure report write out and close them in that order. A connection whose
// open fails is taken out of the table before its condition is raised, so
// the table never holds a unit without a file.
#include "recordio/units.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>

#include "recordio/conditions.h"
#include "recordio/connect_keywords.h"
#include "recordio/console_units.h"
#include "recordio/current_record.h"
#include "recordio/text_records.h"

namespace recordio {

namespace {

Unit* first_unit = nullptr;

// The unit the last read and the last write found, each with the number
// it was found by: a run names the same two units statement after
// statement, and the walk and the checks that found one need not be made
// again while the units found stay connected. A connection made or
// released forgets both, and so does the release of the console units;
// a console unit made on first use leaves them, as it takes nothing away.
struct FoundUnit {
  std::int32_t number = 0;
  Unit* unit = nullptr;
};
FoundUnit found_for_reading;
FoundUnit found_for_writing;

void forget_found_units() {
  found_for_reading = {};
  found_for_writing = {};
}

// ---------------------------------------------------------------------------
// The table

void append_unit(Unit* unit) {
  forget_found_units();
  Unit** link = &first_unit;
  while (*link != nullptr) link = &(*link)->next;
  *link = unit;
}

void unlink_unit(Unit* unit) {
  forget_found_units();
  for (Unit** link = &first_unit; *link != nullptr; link = &(*link)->next) {
    if (*link == unit) {
      *link = unit->next;
      break;
    }
  }
  unit->next = nullptr;
}

void free_unit(Unit* unit) {
  delete[] unit->name;
  delete[] unit->block;
  delete unit;
}

// Takes a connection whose open failed or that is released out of the table.
void discard_unit(Unit* unit) {
  unlink_unit(unit);
  free_unit(unit);
}

// Closes the file of a unit that is being released; returns the system code.
std::int32_t close_file(Unit& unit, bool remove) {
  std::int32_t failed = platform::error::none;
  if (unit.handle != platform::no_handle) {
    failed = platform::close_handle(unit.handle);
    unit.handle = platform::no_handle;
    // Network and FUSE file systems may report a failed write only at the
    // close, so a written file's close is checked. An input has nothing to
    // lose there: its close never fails the run.
    if (!unit.written) failed = platform::error::none;
  }
  if (failed == platform::error::none && remove) failed = platform::remove_file(unit.name);
  return failed;
}

Outcome raise_and_discard(std::int32_t condition, Unit* unit, StatementRequest& request) {
  if (unit->handle != platform::no_handle) {
    platform::close_handle(unit->handle);
    unit->handle = platform::no_handle;
  }
  discard_unit(unit);
  return raise_condition(condition, request);
}

bool unit_number_allowed(std::int32_t number) { return number >= 0; }

Outcome release(Unit* unit, bool remove, StatementRequest& request) {
  const Outcome flushed = flush_unit(*unit, request);
  if (flushed != Outcome::success) return flushed;  // the connection stays
  const std::int32_t failed = close_file(*unit, remove || unit->delete_on_release);
  discard_unit(unit);
  if (failed != platform::error::none) return raise_condition(failed, request);
  return Outcome::success;
}

bool same_properties(const Unit& unit, Keyword status, Keyword form) {
  if (form != Keyword::absent && (form == Keyword::formatted) != unit.formatted) return false;
  switch (status) {
    case Keyword::absent:
      return true;
    case Keyword::new_status:
      return unit.status == ConnectStatus::new_file;
    case Keyword::old_status:
      return unit.status == ConnectStatus::old_file;
    default:
      return unit.status == ConnectStatus::unspecified;
  }
}

}  // namespace

Unit* find_unit(std::int32_t number) {
  for (Unit* unit = first_unit; unit != nullptr; unit = unit->next) {
    if (unit->number == number) return unit;
  }
  return nullptr;
}

namespace {

// What a connect statement asks for, its keywords matched once.
struct ConnectRequest {
  Keyword status;
  Keyword form;
  Keyword action;
  std::string_view name;  // blanks trimmed at both ends
};

enum class Reconnect { go_on, done };

// A unit number already connected: to the same file with the same
// properties the statement only rewinds; to another file the old connection
// is released first; the same file with other properties is refused.
Reconnect reconnect(Unit& connected, const ConnectRequest& asked, StatementRequest& request,
                    Outcome& outcome) {
  const std::string_view connected_name(connected.name, connected.name_length);
  // Only trailing blanks are ignored here: " f" names another file than
  // "f" for this comparison, so the old connection is released.
  if (drop_trailing_blanks(request.file_name) != connected_name) {
    StatementRequest release_request;
    release_request.kind = StatementKind::close;
    release_request.unit = request.unit;
    outcome = release(&connected, false, release_request);
    return outcome == Outcome::success ? Reconnect::go_on : Reconnect::done;
  }
  if (asked.status != Keyword::invalid && asked.form != Keyword::invalid &&
      same_properties(connected, asked.status, asked.form)) {
    request.kind = StatementKind::rewind;
    outcome = Outcome::success;
  } else {
    outcome = raise_condition(code::open_does_not_match, request);
  }
  return Reconnect::done;
}

// The condition a connect request is refused with before anything is
// opened, or 0.
std::int32_t refusal(const ConnectRequest& asked) {
  if (asked.status == Keyword::invalid || asked.form == Keyword::invalid ||
      asked.action == Keyword::invalid) {
    return code::bad_iolist_specifier;
  }
  if (asked.name.empty()) return code::empty_file_name;
  if (asked.name.find('\0') != std::string_view::npos) return platform::error::invalid_name;
  return 0;
}

// A new unit with its name, not yet in the table, or nullptr when memory
// ran out.
Unit* new_unit(const ConnectRequest& asked, std::int32_t number) {
  Unit* unit = new (std::nothrow) Unit;
  if (unit == nullptr) return nullptr;
  unit->name = new (std::nothrow) char[asked.name.size() + 1];
  if (unit->name == nullptr) {
    delete unit;
    return nullptr;
  }
  std::memcpy(unit->name, asked.name.data(), asked.name.size());
  unit->name[asked.name.size()] = '\0';
  unit->name_length = asked.name.size();
  unit->number = number;
  unit->formatted = asked.form != Keyword::unformatted && asked.form != Keyword::binary;
  unit->status = asked.status == Keyword::new_status   ? ConnectStatus::new_file
                 : asked.status == Keyword::old_status ? ConnectStatus::old_file
                                                       : ConnectStatus::unspecified;
  return unit;
}

// Opens or creates the unit's file as the status and action ask; returns
// the condition to raise, or 0.
std::int32_t open_file(Unit& unit, const ConnectRequest& asked) {
  const bool new_file = asked.status == Keyword::new_status;
  bool create = new_file;
  if (asked.status != Keyword::old_status) {
    // Existing means "can be opened for reading now"; any failure of that
    // open counts as absence.
    const bool exists = platform::can_open_for_reading(unit.name);
    if (new_file && exists) return code::new_file_exists;
    create = !exists;
  }
  // A unit connected for reading only never holds a handle that could
  // write, so reading it cannot change the file whatever else happens.
  const bool read_only = asked.action == Keyword::read && !create;
  unit.writable = !read_only;
  const std::int32_t opened = create      ? platform::create_file(unit.name, !new_file, unit.handle)
                              : read_only ? platform::open_read_only(unit.name, unit.handle)
                                          : platform::open_existing(unit.name, unit.handle);
  // Another process took the name between the existence test and the
  // create (a second run in the same directory): the condition the test
  // would have raised a moment later. Its file is never opened, so it is
  // neither truncated nor spliced with this run's output.
  if (opened == platform::error::file_exists && new_file) return code::new_file_exists;
  return opened;
}

// What kind of file the open handle is, and what that means for the
// block state; returns the condition to raise, or 0.
std::int32_t take_file_type(Unit& unit) {
  switch (platform::file_type(unit.handle)) {
    case platform::FileType::disk: {
      unit.disk_file = true;
      std::uint64_t size = 0;
      const std::int32_t sized = platform::file_size(unit.handle, size);
      if (sized != platform::error::none) return sized;
      // The layer's file offsets were 32-bit: a file of 4 GiB or more is refused.
      if (size >> 32 != 0) return platform::error::access_denied;
      unit.truncate_pending = true;
      break;
    }
    case platform::FileType::character_device:
      unit.character_device = true;
      break;
    case platform::FileType::other:
      unit.truncate_pending = true;
      break;
  }
  return 0;
}

// The unit's block buffer and, on the run's first connect, the current
// record; false when memory ran out.
bool allocate_buffers(Unit& unit) {
  unit.block = new (std::nothrow) char[block_size];
  return unit.block != nullptr && current_record().reserve(1);
}

}  // namespace

Outcome open_unit(StatementRequest& request) {
  begin_statement(request, StatementKind::open);
  if (!unit_number_allowed(request.unit)) return raise_condition(code::illegal_unit, request);

  const ConnectRequest asked{match_keyword(request.status_keyword, status_keywords),
                             match_keyword(request.form_keyword, form_keywords),
                             match_keyword(request.action_keyword, action_keywords),
                             trim_blanks(request.file_name)};
  if (Unit* connected = find_unit(request.unit); connected != nullptr) {
    Outcome outcome = Outcome::success;
    if (reconnect(*connected, asked, request, outcome) == Reconnect::done) return outcome;
  }
  if (const std::int32_t refused = refusal(asked); refused != 0) {
    return raise_condition(refused, request);
  }

  Unit* unit = new_unit(asked, request.unit);
  if (unit == nullptr) return raise_condition(code::buffer_allocation_failed, request);
  append_unit(unit);
  if (const std::int32_t failed = open_file(*unit, asked); failed != 0) {
    return raise_and_discard(failed, unit, request);
  }
  unit->tab_width = tab_width();
  if (const std::int32_t failed = take_file_type(*unit); failed != 0) {
    return raise_and_discard(failed, unit, request);
  }
  if (!allocate_buffers(*unit)) {
    return raise_and_discard(code::buffer_allocation_failed, unit, request);
  }
  request.kind = StatementKind::rewind;
  return Outcome::success;
}

Outcome close_unit(StatementRequest& request) {
  begin_statement(request, StatementKind::close);
  if (!unit_number_allowed(request.unit)) return raise_condition(code::illegal_unit, request);
  Unit* unit = find_unit(request.unit);
  if (unit == nullptr) {
    request.kind = StatementKind::rewind;
    return Outcome::success;
  }
  const Keyword status = match_keyword(request.status_keyword, release_keywords);
  if (status == Keyword::invalid) return raise_condition(code::bad_iolist_specifier, request);
  const Outcome released = release(unit, status == Keyword::remove, request);
  if (released == Outcome::success) request.kind = StatementKind::rewind;
  return released;
}

void release_all_units(bool for_failure_report) {
  while (first_unit != nullptr) {
    Unit* unit = first_unit;
    // A failing flush or close is reported as a write of the unit.
    StatementRequest write;
    write.kind = StatementKind::write;
    write.unit = unit->number;
    std::int32_t passed_over = 0;
    // A status variable turns the condition into a recorded one.
    if (for_failure_report) write.status = &passed_over;
    if (unit->writable && unit->modified) flush_unit(*unit, write);
    const std::int32_t closed = close_file(*unit, unit->delete_on_release);
    discard_unit(unit);
    if (closed != platform::error::none) raise_condition(closed, write);
  }
  release_console_units();
  forget_found_units();
}

void stop_run(StatementRequest& request) {
  request.kind = StatementKind::rewind;
  release_all_units(false);
  current_record().release();
  platform::exit_process(0);
}

namespace {

// The walk, the console fallback and the checks, for a number not found
// last time; out of line, so that the statements that find their unit at
// once carry none of it.
[[gnu::noinline]] Unit* look_up_for_transfer(StatementRequest& request, bool for_writing,
                                             Outcome& outcome) {
  FoundUnit& found = for_writing ? found_for_writing : found_for_reading;
  Unit* unit = request.unit >= 0 ? find_unit(request.unit) : nullptr;
  std::int32_t condition = 0;
  if (unit == nullptr) {
    // Only a number with no connection of its own falls back to a console
    // stream, so a connection to a file always wins.
    unit = console_unit(request.unit, for_writing, condition);
    if (unit == nullptr && condition == 0) condition = code::illegal_unit;
  }
  if (unit != nullptr) {
    if (for_writing && !unit->writable)
      condition = code::not_open_for_write;
    else if (!for_writing && !unit->readable)
      condition = code::not_open_for_read;
  }
  if (condition != 0) {
    outcome = raise_condition(condition, request);
    return nullptr;
  }
  outcome = Outcome::success;
  found = {request.unit, unit};
  return unit;
}

// The found units' invariant: each is still what the look-up would find
// for its number, a connection in the table or else the console stream.
// Checked in debug builds, where a change that forgets to forget them
// shows up in the first test that reconnects a number.
[[maybe_unused]] bool still_named_by_its_number(const FoundUnit& found, bool for_writing) {
  if (found.unit == nullptr) return true;
  if (Unit* connected = find_unit(found.number); connected != nullptr) {
    return connected == found.unit;
  }
  std::int32_t condition = 0;
  return console_unit(found.number, for_writing, condition) == found.unit;
}

}  // namespace

Unit* unit_for_transfer(StatementRequest& request, bool for_writing, Outcome& outcome) {
  const FoundUnit& found = for_writing ? found_for_writing : found_for_reading;
  assert(still_named_by_its_number(found, for_writing));
  if (found.unit != nullptr && found.number == request.unit) {
    outcome = Outcome::success;
    return found.unit;
  }
  return look_up_for_transfer(request, for_writing, outcome);
}

}  // namespace recordio
