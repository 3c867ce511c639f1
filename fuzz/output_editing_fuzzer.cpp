// output_editing_fuzzer.cpp - the output editor over arbitrary doubles, in
// every field of the program's format lists.
//
// Each input is a run of records: a selector byte picks one of the
// program's lists (equation, micro-u, keV, warning, closing records), the
// bytes after it are the items' bit patterns. The records are written with
// full write statements to a real file, which is then read back: every
// record must have the columns its list fixes, every literal in place,
// every line CR LF, every real field exactly w columns of its grammar and
// re-reading within half a unit of its last decimal (plus 10^-14 relative)
// wherever it shows 15 or fewer significant digits, every integer field
// its exact digits or asterisks when they cannot fit. Each double is also
// edited alone, by recordio::edit_real, in every real field of the lists.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/equation_formats.h"
#include "fuzz/fuzz_support.h"
#include "recordio/current_record.h"
#include "recordio/decimal_digits.h"
#include "recordio/output_editing.h"
#include "recordio/output_fields.h"
#include "recordio/process_start.h"
#include "recordio/units.h"

namespace {

using fuzz_support::fail;
using recordio::EditDescriptor;
using recordio::FormatList;
using recordio::OutputItem;
using recordio::StatementRequest;
using Kind = recordio::EditDescriptor::Kind;

constexpr std::int32_t unit = 7;

// Takes the next `n` bytes of the input, zeros once it runs out.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint8_t byte() {
    std::uint8_t b = 0;
    take(&b, 1);
    return b;
  }
  double real() {
    double v = 0.0;
    take(&v, sizeof v);
    return v;
  }
  std::int32_t integer() {
    std::int32_t v = 0;
    take(&v, sizeof v);
    return v;
  }
  // Four bytes of a symbol; CR and LF cannot come from an input record, so
  // they become blanks here too.
  std::string symbol() {
    std::string s(4, ' ');
    take(s.data(), 4);
    for (char& c : s) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    return s;
  }

 private:
  void take(void* out, std::size_t n) {
    std::memset(out, 0, n);
    const std::size_t have = at_ < size_ ? size_ - at_ : 0;
    std::memcpy(out, data_ + at_, have < n ? have : n);
    at_ += n;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

struct Record {
  FormatList format;  // empty for the free-form warning
  std::vector<OutputItem> items;
  std::vector<std::string> texts;  // owners of the items' symbols
};

std::string context_of(const Record& record) {
  std::string text;
  for (const OutputItem& item : record.items) {
    char piece[64];
    if (item.type == OutputItem::Type::real64) {
      std::snprintf(piece, sizeof piece, "%a ", item.real);
    } else if (item.type == OutputItem::Type::integer32) {
      std::snprintf(piece, sizeof piece, "%d ", static_cast<int>(item.integer));
    } else {
      std::snprintf(piece, sizeof piece, "'%.4s' ", std::string(item.text).c_str());
    }
    text += piece;
  }
  return text;
}

Record next_record(Bytes& bytes) {
  Record record;
  const std::uint8_t selector = bytes.byte() % 8;
  switch (selector) {
    case 0:
    case 1:
    case 2:
      record.format = selector == 0   ? FormatList(conversion::equation_list)
                      : selector == 1 ? FormatList(conversion::micro_u_list)
                                      : FormatList(conversion::kev_list);
      record.texts.reserve(4);
      for (const EditDescriptor& d : record.format) {
        if (d.kind == Kind::integer) record.items.push_back(OutputItem::of(bytes.integer()));
        if (d.kind == Kind::real) record.items.push_back(OutputItem::of(bytes.real()));
        if (d.kind == Kind::character) {
          record.texts.push_back(bytes.symbol());
          record.items.push_back(OutputItem::of(std::string_view(record.texts.back())));
        }
      }
      break;
    case 3:
      record.items.push_back(OutputItem::of(fuzz_support::warning_record.substr(1)));
      break;
    case 4:
      record.format = conversion::normal_closing_list;
      break;
    default:
      record.format = conversion::failure_closing_list;
      break;
  }
  return record;
}

void write(const Record& record) {
  StatementRequest request;
  request.unit = unit;
  request.transfer =
      record.format.empty() ? recordio::Transfer::free_form : recordio::Transfer::fixed_column;
  request.format = record.format;
  request.error_branch = true;
  if (recordio::begin_write(request) != recordio::Outcome::success) fail("begin_write failed");
  for (const OutputItem& item : record.items) {
    if (recordio::write_item(request, item) != recordio::Outcome::success)
      fail("write_item failed");
  }
  if (recordio::end_write(request) != recordio::Outcome::success) fail("end_write failed");
}

// The records a write statement of `record` gives: its own, then the empty
// one of a trailing record break.
std::size_t records_of(const Record& record) {
  for (const EditDescriptor& d : record.format) {
    if (d.kind == Kind::record_break) return 2;
  }
  return 1;
}

void check_record(std::string_view written, const Record& record) {
  const std::string context = context_of(record);
  if (record.format.empty()) {
    if (written != fuzz_support::warning_record) fail("free-form warning record altered", written);
    return;
  }
  if (std::string problem = fuzz_support::check_fixed_columns(written, record.format);
      !problem.empty()) {
    fail(problem, written);
  }
  std::size_t item = 0;
  for (const fuzz_support::FieldPlace& place : fuzz_support::field_places(record.format)) {
    const std::string_view field =
        written.substr(place.column, static_cast<std::size_t>(place.descriptor.width));
    const OutputItem& value = record.items[item++];
    std::string problem;
    switch (place.descriptor.kind) {
      case Kind::integer:
        problem = fuzz_support::check_integer_field(field, place.descriptor.width, value.integer);
        break;
      case Kind::real:
        problem = fuzz_support::check_real_field(field, place.descriptor.width,
                                                 place.descriptor.decimals, value.real);
        break;
      case Kind::character:
        if (field != value.text) problem = "character field is not its text";
        break;
      default:
        break;
    }
    if (!problem.empty()) fail(problem + "; items " + context, written);
  }
}

// Every double of the input in every real field of the program's lists,
// edited alone into a fresh record.
void check_fields_alone(const Record& record) {
  static constexpr std::int32_t fields[][2] = {{6, 3}, {15, 5}, {9, 5}, {15, 6}, {11, 6}};
  recordio::CurrentRecord edited;
  recordio::DigitString digits;
  for (const OutputItem& item : record.items) {
    if (item.type != OutputItem::Type::real64) continue;
    for (const auto& [width, decimals] : fields) {
      edited.clear();
      if (!recordio::edit_real(edited, item.real, width, decimals, digits))
        fail("edit_real failed");
      if (edited.position() != width) fail("edit_real left the position elsewhere than w");
      if (std::string problem =
              fuzz_support::check_real_field(edited.view(), width, decimals, item.real);
          !problem.empty()) {
        char value[40];
        std::snprintf(value, sizeof value, "%a", item.real);
        fail(problem + " for " + value, edited.view());
      }
    }
  }
  edited.release();
}

void connect() {
  StatementRequest request;
  request.unit = unit;
  const std::string name = fuzz_support::scratch_file("out.txt");
  request.file_name = name;
  request.status_keyword = "replace";
  request.form_keyword = "formatted";
  std::int32_t status = 0;
  request.status = &status;
  if (recordio::open_unit(request) != recordio::Outcome::success) {
    fail("cannot connect the output file (code " + std::to_string(status) + ")");
  }
}

void release() {
  StatementRequest request;
  request.unit = unit;
  std::int32_t status = 0;
  request.status = &status;
  recordio::close_unit(request);
  if (status != 0) fail("release failed (code " + std::to_string(status) + ")");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  recordio::start_up();
  fuzz_support::trap_run_stops();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  std::vector<Record> records;
  while (!bytes.empty() && records.size() < 200) records.push_back(next_record(bytes));

  connect();
  for (const Record& record : records) {
    write(record);
    check_fields_alone(record);
  }
  release();

  std::string file;
  if (!fuzz_support::read_file(fuzz_support::scratch_file("out.txt"), file))
    fail("output file gone");
  std::vector<std::string_view> lines;
  if (std::string problem = fuzz_support::split_records(file, lines); !problem.empty()) {
    fail(problem, file);
  }
  std::size_t expected = 0;
  for (const Record& record : records) expected += records_of(record);
  if (lines.size() != expected) {
    fail("file holds " + std::to_string(lines.size()) + " records, " + std::to_string(expected) +
         " were written");
  }
  std::size_t at = 0;
  for (const Record& record : records) {
    check_record(lines[at], record);
    if (records_of(record) == 2 && !lines[at + 1].empty())
      fail("record break left a non-empty record");
    at += records_of(record);
  }
  return 0;
}
