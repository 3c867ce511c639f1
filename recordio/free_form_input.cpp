// free_form_input.cpp - the search for, and the cutting of, free-form values.
//
// The scanner works on the current record and its position; a value that
// needs more characters than the record holds (a search across blank lines,
// a quoted value continued on the next line) asks the record source for the
// next record. Every value is copied into the scanner's own buffer, because
// a repeated value must outlive the record it came from.
#include "recordio/free_form_input.h"

#include "recordio/current_record.h"

namespace recordio {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool ends_unquoted_value(char c) { return is_blank(c) || c == ',' || c == '/' || c == '*'; }

std::int32_t as_position(std::size_t offset) { return static_cast<std::int32_t>(offset); }

// The characters before the asterisk of a repeat count, each taken as a
// digit (its code minus that of "0") and wrapped to 32 bits like an integer
// field, so any text gives a bounded count without undefined behaviour.
std::int32_t repeat_count(std::string_view digits) {
  std::uint32_t count = 0;
  for (const char c : digits) {
    count = 10u * count + (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) - 48u);
  }
  return static_cast<std::int32_t>(count);
}

}  // namespace

void FreeFormScanner::begin_statement() {
  repeat_ = 0;
  record_end_ = false;
  last_null_ = true;
  last_value_.clear();
}

ScanResult FreeFormScanner::next_value(RecordSource& records, bool text_item,
                                       FreeFormValue& value) {
  // A count of r serves this item and the r - 1 after it; a count of 0, 1 or
  // less (a wrapped one) serves one item, like no count at all.
  if (repeat_ > 1) {
    --repeat_;
  } else {
    repeat_ = 0;
    const ScanResult result = scan(records, text_item);
    if (result != ScanResult::value) return result;
  }
  value.null = last_null_;
  value.text = last_null_ ? std::string_view{} : last_value_.view();
  return ScanResult::value;
}

ScanResult FreeFormScanner::scan(RecordSource& records, bool text_item) {
  CurrentRecord& record = current_record();
  bool counted = false;
  std::int32_t count = 0;
  // Set after a comma that only separated a value ending at a record's end
  // from what follows: the next character is then never a slash's null.
  bool separator_taken = false;

  auto finish = [&](bool null) {
    last_null_ = null;
    if (null) last_value_.clear();
    repeat_ = counted ? count : 0;
    return ScanResult::value;
  };

  for (;;) {
    std::string_view text = record.view();
    auto pos = static_cast<std::size_t>(record.position());
    for (;;) {
      while (pos < text.size() && is_blank(text[pos])) ++pos;
      if (pos < text.size()) break;
      if (!records.next_record()) return ScanResult::no_record;
      text = record.view();
      pos = 0;
    }
    const char first = text[pos];
    value_column_ = as_position(pos) + 1;

    if (!separator_taken) {
      // A slash ends the statement's values: it stays, so every later item
      // meets it again and stays unchanged too.
      if (first == '/') {
        record.set_position(as_position(pos));
        return finish(true);
      }
      // The value before ended with its record, so this comma is that
      // value's separator, not a null. Whatever follows it, on this record
      // or the next ones, is searched for as the next value.
      if (first == ',' && record_end_) {
        record_end_ = false;
        record.set_position(as_position(pos + 1));
        separator_taken = true;
        continue;
      }
    }
    separator_taken = false;

    if (first == ',') {
      record.set_position(as_position(pos + 1));
      return finish(true);
    }

    if (text_item && (first == '\'' || first == '"')) {
      record.set_position(as_position(pos + 1));
      const ScanResult result = scan_quoted(records, first);
      if (result != ScanResult::value) return result;
      return finish(false);
    }

    std::size_t stop = pos;
    if (first != '*') {
      stop = pos + 1;
      while (stop < text.size() && !ends_unquoted_value(text[stop])) ++stop;
    }
    if (stop < text.size() && text[stop] == '*') {
      // The first count of a chain (2*3*4) is the one that counts; the value
      // after the asterisk is searched for afresh, across blanks and lines.
      if (!counted) {
        counted = true;
        count = repeat_count(text.substr(pos, stop - pos));
      }
      record.set_position(as_position(stop + 1));
      continue;
    }

    last_value_.clear();
    if (!last_value_.append(text.substr(pos, stop - pos))) return ScanResult::out_of_memory;
    scan_unquoted_tail(text, stop);
    return finish(false);
  }
}

void FreeFormScanner::scan_unquoted_tail(std::string_view text, std::size_t stop) {
  CurrentRecord& record = current_record();
  if (stop == text.size()) {
    record_end_ = true;
    record.set_position(as_position(stop));
    return;
  }
  if (text[stop] == ',') {
    record.set_position(as_position(stop + 1));
    return;
  }
  if (text[stop] == '/') {
    record.set_position(as_position(stop));
    return;
  }
  // Blanks around a comma make one separator.
  while (stop < text.size() && is_blank(text[stop])) ++stop;
  if (stop < text.size() && text[stop] == ',') ++stop;
  record.set_position(as_position(stop));
}

ScanResult FreeFormScanner::scan_quoted(RecordSource& records, char quote) {
  CurrentRecord& record = current_record();
  last_value_.clear();
  for (;;) {
    const std::string_view text = record.view();
    const auto pos = static_cast<std::size_t>(record.position());
    const std::size_t found = text.find(quote, pos);
    if (found == std::string_view::npos) {
      // The value goes on in the next record; the line end adds nothing.
      if (!last_value_.append(text.substr(pos))) return ScanResult::out_of_memory;
      if (!records.next_record()) return ScanResult::no_record;
      continue;
    }
    if (!last_value_.append(text.substr(pos, found - pos))) return ScanResult::out_of_memory;
    if (found + 1 < text.size() && text[found + 1] == quote) {
      if (!last_value_.append(quote)) return ScanResult::out_of_memory;
      record.set_position(as_position(found + 2));
      continue;
    }
    std::size_t after = found + 1;
    if (after == text.size()) {
      record_end_ = true;
    } else if (text[after] == ',') {
      ++after;
    }
    record.set_position(as_position(after));
    break;
  }
  // An empty quoted value is a value, not a null: it blanks the item.
  if (last_value_.size() == 0 && !last_value_.append(' ')) return ScanResult::out_of_memory;
  return ScanResult::value;
}

}  // namespace recordio
