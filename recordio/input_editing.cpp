// input_editing.cpp - the read statements: begin_read, read_item, end_read.
//
// A statement reads its first record when it begins; fixed-column items
// then take their fields from it by the format list, and free-form items
// take the next values, reading further records as they need them. Every
// condition goes through raise_condition or, for end of file, the outcome
// that read_record got from end_of_file_condition; either has already
// emptied the current record, and the step returns that outcome unchanged.
#include "recordio/input_editing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>

#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/fast_path_counts.h"
#include "recordio/free_form_input.h"
#include "recordio/input_fields.h"
#include "recordio/prepared_format.h"
#include "recordio/text_records.h"
#include "recordio/units.h"

namespace recordio {

namespace {

// The reader's state outlives statements only for its buffers, which keep
// their allocations so that reading a field costs no allocation.
struct ReaderState {
  Unit* unit = nullptr;             // the unit of the statement in progress
  std::size_t next_descriptor = 0;  // place reached in the format list
  TextBuffer field_text;            // a real field as it is converted
  FreeFormScanner free_form;        // repeat counter, last value, record-end flag
};

ReaderState reader;

// Free-form values come from the statement's unit, one record at a time.
class UnitRecords final : public RecordSource {
 public:
  UnitRecords(Unit& unit, StatementRequest& request) : unit_(unit), request_(request) {}

  bool next_record() override {
    outcome_ = read_record(unit_, request_);
    return outcome_ == Outcome::success;
  }

  Outcome outcome() const { return outcome_; }

 private:
  Unit& unit_;
  StatementRequest& request_;
  Outcome outcome_ = Outcome::success;
};

// Every condition of a read clears the record-end flag, so that the next
// statement starts without it. Out of line: read_field inlines what it
// calls, and a condition is the rare case.
[[gnu::noinline]] Outcome condition(std::int32_t condition_code, StatementRequest& request) {
  reader.free_form.end_statement();
  return raise_condition(condition_code, request);
}

// An outcome other than success that read_record has already decided.
Outcome stopped(Outcome outcome) {
  reader.free_form.end_statement();
  return outcome;
}

bool is_data_descriptor(const EditDescriptor& descriptor) {
  return descriptor.kind == EditDescriptor::Kind::integer ||
         descriptor.kind == EditDescriptor::Kind::real ||
         descriptor.kind == EditDescriptor::Kind::character;
}

std::int32_t moved_position(std::int32_t position, std::int32_t columns) {
  const std::int64_t moved = std::int64_t{position} + std::max(columns, 0);
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(moved, std::numeric_limits<std::int32_t>::max()));
}

// The next `width` columns of the record, or as many as it still has, with
// no search for a comma: what a plain numeric field is read from.
FieldSpan columns_at(const CurrentRecord& record, std::int32_t width) {
  const std::int32_t position = record.position();
  const std::int32_t left = record.length() - position;
  // Nearly always the whole field lies inside the record.
  if (position >= 0 && width > 0 && width <= left) {
    return {std::string_view(record.data() + position, static_cast<std::size_t>(width)),
            position + width};
  }
  if (position < 0 || left <= 0 || width <= 0) return {{}, position};
  return {std::string_view(record.data() + position, static_cast<std::size_t>(left)),
          position + left};
}

// Walks the format list to the descriptor for the next item. Skips move
// the position, record breaks read the next record, literals belong to
// output and take nothing; a list used up while items remain starts over
// on a new record.
Outcome walk_to_next_field(StatementRequest& request, const EditDescriptor*& descriptor) {
  const FormatList format = request.format;
  // Without a data descriptor the list would be walked forever.
  if (std::none_of(format.begin(), format.end(), is_data_descriptor)) {
    return condition(code::type_does_not_match_descriptor, request);
  }
  CurrentRecord& record = current_record();
  for (;;) {
    if (reader.next_descriptor >= format.size()) {
      reader.next_descriptor = 0;
      const Outcome outcome = read_record(*reader.unit, request);
      if (outcome != Outcome::success) return stopped(outcome);
    }
    const EditDescriptor& current = format[reader.next_descriptor++];
    switch (current.kind) {
      case EditDescriptor::Kind::integer:
      case EditDescriptor::Kind::real:
      case EditDescriptor::Kind::character:
        descriptor = &current;
        return Outcome::success;
      case EditDescriptor::Kind::skip:
        record.set_position(moved_position(record.position(), current.width));
        break;
      case EditDescriptor::Kind::record_break: {
        const Outcome outcome = read_record(*reader.unit, request);
        if (outcome != Outcome::success) return stopped(outcome);
        break;
      }
      case EditDescriptor::Kind::literal:
        break;
    }
  }
}

// True when the statement's list is one of fields only, laid out: each item
// then takes the next descriptor, with no walk, while the list lasts.
bool fields_only(const StatementRequest& request) {
  const PreparedFormat* prepared = request.prepared;
  return prepared != nullptr && prepared->fields_only() &&
         prepared->list().data() == request.format.data();
}

// The statement's cursor over its format list: the descriptor for the next
// item, and the place moved past it. Every item read by a descriptor gets
// it here, but for the items of a compiled read, which moves the cursor by
// the fields it took (read_items).
Outcome next_field(StatementRequest& request, const EditDescriptor*& descriptor) {
  if (fields_only(request) && reader.next_descriptor < request.format.size()) {
    descriptor = &request.format[reader.next_descriptor++];
    return Outcome::success;
  }
  return walk_to_next_field(request, descriptor);
}

// Edits the item from the field `descriptor` at the record's position.
// The field readers are inlined here, so that a plain field costs no calls.
[[gnu::flatten]] Outcome read_field(StatementRequest& request, const EditDescriptor* descriptor,
                                    InputItem item) {
  CurrentRecord& record = current_record();
  switch (descriptor->kind) {
    case EditDescriptor::Kind::integer: {
      if (item.type != InputItem::Type::integer32) {
        return condition(code::type_does_not_match_descriptor, request);
      }
      std::int32_t value = 0;
      // A plain field holds no comma, so its columns need no search for one.
      const FieldSpan columns = columns_at(record, descriptor->width);
      if (edit_plain_integer_field(columns.field, value)) {
        count_fast_path(FastPath::plain_integer);
        record.set_position(columns.next_position);
        *static_cast<std::int32_t*>(item.place) = value;
        return Outcome::success;
      }
      const FieldSpan span = take_field(record.view(), record.position(), descriptor->width, true);
      record.set_position(span.next_position);
      const std::int32_t failed = edit_integer_field(span.field, value);
      if (failed != 0) return condition(failed, request);
      *static_cast<std::int32_t*>(item.place) = value;
      return Outcome::success;
    }
    case EditDescriptor::Kind::real: {
      if (item.type != InputItem::Type::real64) {
        return condition(code::type_does_not_match_descriptor, request);
      }
      double value = 0.0;
      const FieldSpan columns = columns_at(record, descriptor->width);
      if (edit_plain_real_field(columns.field, descriptor->decimals, value)) {
        record.set_position(columns.next_position);
        *static_cast<double*>(item.place) = value;
        return Outcome::success;
      }
      // The plain reader has seen these columns; a comma only cuts them.
      const FieldSpan span = take_field(record.view(), record.position(), descriptor->width, true);
      record.set_position(span.next_position);
      const std::int32_t failed =
          edit_any_real_field(span.field, descriptor->decimals, reader.field_text, value);
      if (failed != 0) return condition(failed, request);
      *static_cast<double*>(item.place) = value;
      return Outcome::success;
    }
    case EditDescriptor::Kind::character: {
      if (item.type != InputItem::Type::text) {
        return condition(code::type_does_not_match_descriptor, request);
      }
      // A plain A takes as many columns as the text is long.
      const std::int32_t width = descriptor->width > 0 ? descriptor->width : item.size;
      const std::int32_t position = record.position();
      // A field as wide as its text and wholly inside the record is one
      // move; in a compiled read the width is a constant, and the move
      // takes no call.
      if (width == item.size && width > 0 && position >= 0 && width <= record.length() - position) {
        count_fast_path(FastPath::whole_character_field);
        std::memcpy(item.place, record.data() + position, static_cast<std::size_t>(width));
        record.set_position(position + width);
        return Outcome::success;
      }
      // A character field has no comma to look for, so its columns are
      // simply the next ones.
      const FieldSpan span = record.position() >= 0
                                 ? columns_at(record, width)
                                 : take_field(record.view(), record.position(), width, false);
      record.set_position(span.next_position);
      edit_character_field(span.field, width, static_cast<char*>(item.place), item.size);
      return Outcome::success;
    }
    default:
      return condition(code::type_does_not_match_descriptor, request);
  }
}

Outcome read_fixed_column(StatementRequest& request, InputItem item) {
  const EditDescriptor* descriptor = nullptr;
  const Outcome found = next_field(request, descriptor);
  if (found != Outcome::success) return found;
  return read_field(request, descriptor, item);
}

Outcome read_free_form(StatementRequest& request, InputItem item) {
  UnitRecords records(*reader.unit, request);
  FreeFormValue value;
  switch (reader.free_form.next_value(records, item.type == InputItem::Type::text, value)) {
    case ScanResult::value:
      break;
    case ScanResult::no_record:
      return stopped(records.outcome());
    case ScanResult::out_of_memory:
      return condition(code::buffer_allocation_failed, request);
  }
  if (value.null) return Outcome::success;

  switch (item.type) {
    case InputItem::Type::integer32: {
      std::int32_t result = 0;
      const std::int32_t failed = edit_integer_value(value.text, result);
      if (failed != 0) return condition(failed, request);
      *static_cast<std::int32_t*>(item.place) = result;
      return Outcome::success;
    }
    case InputItem::Type::real64: {
      double result = 0.0;
      const std::int32_t failed = edit_real_value(value.text, result);
      if (failed != 0) return condition(failed, request);
      *static_cast<double*>(item.place) = result;
      return Outcome::success;
    }
    case InputItem::Type::text:
      edit_text_value(value.text, static_cast<char*>(item.place), item.size);
      return Outcome::success;
  }
  return condition(code::type_does_not_match_descriptor, request);
}

}  // namespace

Outcome begin_read(StatementRequest& request) {
  begin_statement(request, StatementKind::read);
  reader.unit = nullptr;
  reader.next_descriptor = 0;
  reader.free_form.begin_statement();

  Outcome outcome = Outcome::success;
  Unit* unit = unit_for_transfer(request, /*for_writing=*/false, outcome);
  if (unit == nullptr) return stopped(outcome);
  reader.unit = unit;
  outcome = read_record(*unit, request);
  if (outcome != Outcome::success) return stopped(outcome);
  return Outcome::success;
}

Outcome read_item(StatementRequest& request, InputItem item) {
  if (request.statement_failed) return Outcome::success;
  // Only a statement whose begin_read failed has no unit, and its caller
  // has already left it.
  if (reader.unit == nullptr) return condition(code::illegal_unit, request);
  if (request.transfer == Transfer::free_form) return read_free_form(request, item);
  return read_fixed_column(request, item);
}

Outcome read_laid_out_field(StatementRequest& request, const EditDescriptor& descriptor,
                            InputItem item) {
  return read_field(request, &descriptor, item);
}

Outcome read_items(StatementRequest& request, std::span<const InputItem> items) {
  std::size_t next = 0;
  // A list of fields compiled for reading takes a whole line's items in
  // one call, without the checks read_item makes for each: only an outcome
  // other than success, which ends it, fails the statement or leaves it.
  // The cursor then stands after the last field it got to.
  if (!items.empty() && !request.statement_failed && reader.unit != nullptr &&
      request.transfer == Transfer::fixed_column && fields_only(request) &&
      reader.next_descriptor == 0 && items.size() >= request.format.size()) {
    if (const PreparedFormat::CompiledRead compiled_read = request.prepared->compiled_read()) {
      count_fast_path(FastPath::compiled_read);
      std::size_t taken = 0;
      const Outcome outcome = compiled_read(request, items, taken);
      reader.next_descriptor = taken;
      if (outcome != Outcome::success) return outcome;
      next = taken;
    }
  }
  for (; next < items.size(); ++next) {
    const Outcome outcome = read_item(request, items[next]);
    if (outcome != Outcome::success) return outcome;
  }
  return Outcome::success;
}

Outcome end_read(StatementRequest& request) {
  if (request.statement_failed) return Outcome::success;
  reader.free_form.end_statement();
  reader.unit = nullptr;
  // The unread rest of the record is dropped: the next read starts on the
  // next line.
  current_record().clear();
  request.kind = StatementKind::rewind;
  return Outcome::success;
}

std::int32_t free_form_value_column() { return reader.free_form.value_column(); }

}  // namespace recordio
