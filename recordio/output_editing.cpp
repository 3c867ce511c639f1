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
//
// A list that was laid out once (prepared_format.h) takes a shorter road
// when its records fit in the room left in the unit's block: its bytes go
// there in one piece and each item is edited into its field's columns
// (by the run made for a constant list, where the layout has one), so
// that nothing walks the list and the records are not copied twice. An
// item that the layout does not foresee (one too many, or of another kind
// than its field) hands the statement back to the list walk at the same
// place, with the records before it kept and the current record holding
// what the walk would have put into it.
#include "recordio/output_editing.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <span>

#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/decimal_digits.h"
#include "recordio/fast_path_counts.h"
#include "recordio/output_fields.h"
#include "recordio/prepared_format.h"
#include "recordio/record_controls.h"
#include "recordio/text_records.h"
#include "recordio/units.h"

namespace recordio {

namespace {

// One write statement is in progress at most, so one editor state serves
// the run; the digit buffer is reused by every real field.
struct Writer {
  Unit* unit = nullptr;  // nullptr: no write statement in progress
  std::size_t next_descriptor = 0;
  DigitString digits;
  // Straight into the block buffer: the layout, where its bytes are, and
  // the next of its fields. nullptr when the list is walked.
  const PreparedFormat* direct = nullptr;
  char* direct_bytes = nullptr;
  std::size_t next_field = 0;
};

Writer writer;

// Ends the statement after a condition: a later item or end call must not
// write through a unit that may be released before the caller calls again.
Outcome stopped(Outcome outcome) {
  writer.unit = nullptr;
  writer.direct = nullptr;
  return outcome;
}

Outcome store_failed(StatementRequest& request) {
  return stopped(raise_condition(code::buffer_allocation_failed, request));
}

bool is_field(const EditDescriptor& descriptor) { return !is_control(descriptor); }

// The current record as the list walk builds it, a RecordBuilder; the
// outcome of a step that failed is kept for the statement.
class WalkedRecords {
 public:
  explicit WalkedRecords(StatementRequest& request) : request_(request) {}

  bool skip(std::int32_t columns) {
    CurrentRecord& record = current_record();
    const std::int64_t moved = std::int64_t{record.position()} + columns;
    record.set_position(static_cast<std::int32_t>(
        std::min<std::int64_t>(moved, std::numeric_limits<std::int32_t>::max())));
    return true;
  }
  bool store_text(std::string_view text) {
    if (current_record().store(text)) return true;
    outcome_ = store_failed(request_);
    return false;
  }
  bool end_record() {
    const Outcome ended = recordio::end_record(*writer.unit, request_);
    if (ended == Outcome::success) return true;
    outcome_ = stopped(ended);
    return false;
  }

  Outcome outcome() const { return outcome_; }

 private:
  StatementRequest& request_;
  Outcome outcome_ = Outcome::success;
};

// A skip, literal or record break.
Outcome apply_control(const EditDescriptor& descriptor, StatementRequest& request) {
  WalkedRecords records(request);
  return recordio::apply_control(descriptor, records) ? Outcome::success : records.outcome();
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

void begin_direct(const StatementRequest& request, Unit& unit) {
  const PreparedFormat* layout = request.prepared;
  if (layout == nullptr || !layout->laid_out() || layout->list().data() != request.format.data() ||
      layout->list().size() != request.format.size() ||
      layout->longest_record() > unit.max_record_length) {
    return;
  }
  char* const room = reserve_records(unit, layout->bytes());
  if (room == nullptr) return;
  count_fast_path(FastPath::laid_out_write);
  writer.direct = layout;
  writer.direct_bytes = room;
  writer.next_field = 0;
}

// An item goes into a field of its own kind: the item types are numbered
// as the field kinds, so that one comparison tells.
static_assert(static_cast<int>(OutputItem::Type::integer32) ==
                  static_cast<int>(EditDescriptor::Kind::integer) &&
              static_cast<int>(OutputItem::Type::real64) ==
                  static_cast<int>(EditDescriptor::Kind::real) &&
              static_cast<int>(OutputItem::Type::text) ==
                  static_cast<int>(EditDescriptor::Kind::character));

bool fits(const OutputItem& item, const PreparedFormat::Field& field) {
  return static_cast<int>(item.type) == static_cast<int>(field.kind);
}

// Edits items into the layout's fields from field `first` on by the list
// of fields, for a layout not compiled for writing, and returns how many
// it took: fewer than all when one is of another kind than its field or
// the fields are used up. The field editors are inlined into the run, so
// that a record's registers are saved once, not per field.
[[gnu::flatten, gnu::noinline]] std::size_t edit_listed_fields(const PreparedFormat& layout,
                                                               char* bytes,
                                                               std::span<const OutputItem> items,
                                                               std::size_t first) {
  const auto fields = layout.fields();
  const std::size_t count = std::min(items.size(), fields.size() - first);
  std::size_t taken = 0;
  for (; taken < count; ++taken) {
    const PreparedFormat::Field& field = fields[first + taken];
    const OutputItem& item = items[taken];
    if (!fits(item, field)) break;
    char* const columns = bytes + field.offset;
    switch (item.type) {
      case OutputItem::Type::integer32:
        edit_integer(columns, item.integer, field.width, field.decimals);
        break;
      case OutputItem::Type::real64:
        edit_real(columns, item.real, field.width, field.decimals, writer.digits);
        break;
      case OutputItem::Type::text:
        edit_character(columns, item.text, field.width);
        break;
    }
  }
  return taken;
}

// Edits as many of the items as the layout has fields left for, in a row,
// and returns how many it took: by the run made for its list where it has
// one and the items cover every field, else by the list of fields.
std::size_t write_direct(std::span<const OutputItem> items) {
  const PreparedFormat& layout = *writer.direct;
  const std::size_t first = writer.next_field;
  const PreparedFormat::CompiledWrite compiled_write = layout.compiled_write();
  std::size_t taken = 0;
  if (compiled_write != nullptr && first == 0 && items.size() >= layout.fields().size()) {
    count_fast_path(FastPath::compiled_write);
    taken = compiled_write(writer.direct_bytes, items, writer.digits);
  } else {
    taken = edit_listed_fields(layout, writer.direct_bytes, items, first);
  }
  writer.next_field = first + taken;
  return taken;
}

// Hands the statement to the list walk just after the last field edited:
// the records ended before that field's record are kept in the block, and
// that record so far (up to the field's last column) becomes the current
// record.
Outcome leave_direct(StatementRequest& request) {
  const auto fields = writer.direct->fields();
  writer.direct = nullptr;
  if (writer.next_field == 0) return Outcome::success;
  const PreparedFormat::Field& last = fields[writer.next_field - 1];
  if (!resume_record(*writer.unit, last.record_start,
                     last.offset + last.width - last.record_start)) {
    return store_failed(request);
  }
  writer.next_descriptor = static_cast<std::size_t>(last.descriptor) + 1;
  return Outcome::success;
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

  // The text goes in as whole pieces up to the unit's maximum record length;
  // a record that reaches it is ended and the next one starts with a blank.
  const std::int64_t limit = writer.unit->max_record_length;
  std::string_view rest = item.text;
  while (!rest.empty()) {
    const std::int64_t room = limit - record.length();
    const std::size_t piece = room < 1 ? 1
                                       : static_cast<std::size_t>(std::min<std::int64_t>(
                                             room, static_cast<std::int64_t>(rest.size())));
    if (!record.store(rest.substr(0, piece))) return store_failed(request);
    rest.remove_prefix(piece);
    if (record.length() >= limit) {
      const Outcome ended = end_record(*writer.unit, request);
      if (ended != Outcome::success) return stopped(ended);
      if (!record.store(' ')) return store_failed(request);
    }
  }
  return Outcome::success;
}

// The parts of a statement that a laid-out write whose records fit in the
// block never needs: out of line, so that the statements that do fit carry
// none of their code or registers.

// A free-form record starts with a blank, stored here once: every text
// item after it, and every record a long text goes on into, follows it.
[[gnu::noinline]] Outcome begin_free_form(StatementRequest& request) {
  if (!current_record().store(' ')) return store_failed(request);
  return Outcome::success;
}

// The end of a statement that is not a laid-out one with every field edited.
[[gnu::noinline]] Outcome end_walked(StatementRequest& request) {
  if (writer.direct != nullptr) {
    const Outcome left = leave_direct(request);
    if (left != Outcome::success) return left;
  }
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

}  // namespace

Outcome begin_write(StatementRequest& request) {
  begin_statement(request, StatementKind::write);
  writer.direct = nullptr;
  current_record().clear();

  Outcome outcome = Outcome::success;
  Unit* unit = unit_for_transfer(request, /*for_writing=*/true, outcome);
  if (unit == nullptr) return stopped(outcome);
  writer.unit = unit;
  if (request.transfer == Transfer::free_form) return begin_free_form(request);
  writer.next_descriptor = 0;
  begin_direct(request, *unit);
  return Outcome::success;
}

Outcome write_item(StatementRequest& request, OutputItem item) {
  // A statement over by a recorded condition (or never begun) does nothing.
  if (request.statement_failed || writer.unit == nullptr) return Outcome::success;
  if (request.transfer == Transfer::free_form) return write_free_form(request, item);
  if (writer.direct != nullptr) {
    if (write_direct({&item, 1}) == 1) return Outcome::success;
    const Outcome left = leave_direct(request);
    if (left != Outcome::success) return left;
  }
  return write_fixed_column(request, item);
}

namespace {

// Items one by one, for a statement that is walked or has left its layout;
// out of line like the other parts a fitting laid-out write never needs.
[[gnu::noinline]] Outcome write_each(StatementRequest& request, std::span<const OutputItem> items) {
  for (const OutputItem& item : items) {
    const Outcome outcome = write_item(request, item);
    if (outcome != Outcome::success) return outcome;
  }
  return Outcome::success;
}

}  // namespace

Outcome write_items(StatementRequest& request, std::span<const OutputItem> items) {
  // A laid-out statement edits its items in one call, without the checks
  // write_item makes for each; the first item the run does not take, and
  // every one after it, goes the way of write_item.
  if (!request.statement_failed && writer.unit != nullptr && writer.direct != nullptr) {
    const std::size_t taken = write_direct(items);
    if (taken == items.size()) return Outcome::success;
    items = items.subspan(taken);
  }
  return write_each(request, items);
}

Outcome end_write(StatementRequest& request) {
  if (request.statement_failed || writer.unit == nullptr) return Outcome::success;
  if (writer.direct != nullptr && writer.next_field == writer.direct->fields().size()) {
    commit_records(*writer.unit, static_cast<std::int32_t>(writer.direct->bytes().size()));
    writer.direct = nullptr;
    writer.unit = nullptr;
    request.kind = StatementKind::rewind;
    return Outcome::success;
  }
  return end_walked(request);
}

}  // namespace recordio
