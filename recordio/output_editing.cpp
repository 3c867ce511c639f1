// output_editing.cpp - the write statements: begin_write, write_item, end_write.
//
// A fixed-column write walks its format list: the skips, literals and record
// breaks before a field are applied when the item for that field arrives,
// and the ones after the last field when the statement ends, so that a
// closing literal or a final record break belongs to the statement. A
// free-form write lays its text items out after one leading blank. Every
// condition goes through raise_condition (directly, or inside end_record,
// which has then emptied the current record); the step returns its outcome
// unchanged and the statement is over.
#include "recordio/output_editing.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/decimal_digits.h"
#include "recordio/output_fields.h"
#include "recordio/text_records.h"
#include "recordio/units.h"

namespace recordio {

namespace {

// One write statement is in progress at most, so one editor state serves
// the run; the digit buffer is reused by every real field.
struct Writer {
  Unit* unit = nullptr;  // nullptr: no write statement in progress
  std::size_t next_descriptor = 0;
  bool text_follows = false;
  DigitString digits;
};

Writer writer;

// Ends the statement after a condition: a later item or end call must not
// write through a unit that may be released before the caller calls again.
Outcome stopped(Outcome outcome) {
  writer.unit = nullptr;
  return outcome;
}

Outcome store_failed(StatementRequest& request) {
  return stopped(raise_condition(code::buffer_allocation_failed, request));
}

bool is_field(const EditDescriptor& descriptor) {
  switch (descriptor.kind) {
    case EditDescriptor::Kind::integer:
    case EditDescriptor::Kind::real:
    case EditDescriptor::Kind::character:
      return true;
    case EditDescriptor::Kind::skip:
    case EditDescriptor::Kind::literal:
    case EditDescriptor::Kind::record_break:
      return false;
  }
  return false;
}

// A skip, literal or record break.
Outcome apply_control(const EditDescriptor& descriptor, StatementRequest& request) {
  CurrentRecord& record = current_record();
  switch (descriptor.kind) {
    case EditDescriptor::Kind::skip: {
      // Only the position moves: the columns passed over become blanks if a
      // character is stored further right, and otherwise add nothing.
      if (descriptor.width <= 0) return Outcome::success;
      const std::int64_t moved = std::int64_t{record.position()} + descriptor.width;
      record.set_position(static_cast<std::int32_t>(
          std::min<std::int64_t>(moved, std::numeric_limits<std::int32_t>::max())));
      return Outcome::success;
    }
    case EditDescriptor::Kind::literal:
      return record.store(descriptor.text) ? Outcome::success : store_failed(request);
    case EditDescriptor::Kind::record_break: {
      const Outcome ended = end_record(*writer.unit, request);
      return ended == Outcome::success ? ended : stopped(ended);
    }
    case EditDescriptor::Kind::integer:
    case EditDescriptor::Kind::real:
    case EditDescriptor::Kind::character:
      break;
  }
  return Outcome::success;
}

Outcome edit_field(const EditDescriptor& descriptor, const OutputItem& item,
                   StatementRequest& request) {
  CurrentRecord& record = current_record();
  bool stored = false;
  switch (descriptor.kind) {
    case EditDescriptor::Kind::integer:
      if (item.type != OutputItem::Type::integer32) break;
      stored = edit_integer(record, item.integer, descriptor.width, descriptor.decimals);
      return stored ? Outcome::success : store_failed(request);
    case EditDescriptor::Kind::real:
      if (item.type != OutputItem::Type::real64) break;
      stored = edit_real(record, item.real, descriptor.width, descriptor.decimals, writer.digits);
      return stored ? Outcome::success : store_failed(request);
    case EditDescriptor::Kind::character:
      if (item.type != OutputItem::Type::text) break;
      stored = edit_character(record, item.text, descriptor.width);
      return stored ? Outcome::success : store_failed(request);
    case EditDescriptor::Kind::skip:
    case EditDescriptor::Kind::literal:
    case EditDescriptor::Kind::record_break:
      break;
  }
  return stopped(raise_condition(code::type_does_not_match_descriptor, request));
}

Outcome write_fixed_column(StatementRequest& request, const OutputItem& item) {
  const FormatList list = request.format;
  for (;;) {
    if (writer.next_descriptor >= list.size()) {
      // The list is used up with an item still waiting: a new record, and
      // the list again from its start. A list without any field would go
      // round for ever, so the item is refused instead.
      if (std::none_of(list.begin(), list.end(), is_field)) {
        return stopped(raise_condition(code::type_does_not_match_descriptor, request));
      }
      const Outcome ended = end_record(*writer.unit, request);
      if (ended != Outcome::success) return stopped(ended);
      writer.next_descriptor = 0;
      continue;
    }
    const EditDescriptor& descriptor = list[writer.next_descriptor];
    if (is_field(descriptor)) break;
    const Outcome applied = apply_control(descriptor, request);
    if (applied != Outcome::success) return applied;
    ++writer.next_descriptor;
  }
  const EditDescriptor& field = list[writer.next_descriptor++];
  return edit_field(field, item, request);
}

Outcome write_free_form(StatementRequest& request, const OutputItem& item) {
  // Only text is written free-form here; numbers would need a layout of
  // their own that nothing in the program asks for.
  if (item.type != OutputItem::Type::text) {
    return stopped(raise_condition(code::type_does_not_match_descriptor, request));
  }
  CurrentRecord& record = current_record();
  if (!writer.text_follows && !record.store(' ')) return store_failed(request);

  // The text goes in as whole pieces up to the unit's maximum record length;
  // a record that reaches it is ended and the next one starts with a blank.
  const std::int64_t limit = writer.unit->max_record_length;
  std::string_view rest = item.text;
  while (!rest.empty()) {
    const std::int64_t room = limit - record.length();
    const std::size_t piece =
        room < 1 ? 1 : static_cast<std::size_t>(std::min<std::int64_t>(
                           room, static_cast<std::int64_t>(rest.size())));
    if (!record.store(rest.substr(0, piece))) return store_failed(request);
    rest.remove_prefix(piece);
    if (record.length() >= limit) {
      const Outcome ended = end_record(*writer.unit, request);
      if (ended != Outcome::success) return stopped(ended);
      if (!record.store(' ')) return store_failed(request);
    }
  }
  writer.text_follows = true;
  return Outcome::success;
}

}  // namespace

Outcome begin_write(StatementRequest& request) {
  request.kind = StatementKind::write;
  set_status(request, 0);
  request.statement_failed = false;
  writer.unit = nullptr;
  writer.next_descriptor = 0;
  writer.text_follows = false;
  current_record().clear();

  Outcome outcome = Outcome::success;
  Unit* unit = unit_for_transfer(request, /*for_writing=*/true, outcome);
  if (unit == nullptr) return stopped(outcome);
  writer.unit = unit;
  if (request.transfer == Transfer::free_form) {
    if (!current_record().store(' ')) return store_failed(request);
    writer.text_follows = true;
  }
  return Outcome::success;
}

Outcome write_item(StatementRequest& request, OutputItem item) {
  // A statement over by a recorded condition (or never begun) does nothing.
  if (request.statement_failed || writer.unit == nullptr) return Outcome::success;
  if (request.transfer == Transfer::free_form) return write_free_form(request, item);
  return write_fixed_column(request, item);
}

Outcome end_write(StatementRequest& request) {
  if (request.statement_failed || writer.unit == nullptr) return Outcome::success;
  if (request.transfer == Transfer::fixed_column) {
    const FormatList list = request.format;
    // Up to the next field or the end of the list, not round again: the end
    // of the list must not end a second record.
    while (writer.next_descriptor < list.size() && !is_field(list[writer.next_descriptor])) {
      const Outcome applied = apply_control(list[writer.next_descriptor], request);
      if (applied != Outcome::success) return applied;
      ++writer.next_descriptor;
    }
  }
  const Outcome ended = end_record(*writer.unit, request);
  if (ended != Outcome::success) return stopped(ended);
  writer.unit = nullptr;
  request.kind = StatementKind::rewind;
  return Outcome::success;
}

}  // namespace recordio
