// measurement_read_fuzzer.cpp - the fixed-column measurement read
// (I4,A4,I4,F19.8,A2,F13.8) over arbitrary bytes as a file.
//
// The file is read as the conversion run reads "vemo.freq": every line with
// an error branch and an end-of-file branch, leaving the statement at the
// first outcome that is not success. Beyond not crashing: the layer never
// ends the process, every line gives exactly one statement (bad data ends
// only its own line), a record holds no CR, LF or tab (with tab width 8),
// the character fields are their columns of the record, and an integer
// field of plain digits reads as their value.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "recordio/current_record.h"
#include "recordio/input_editing.h"
#include "recordio/process_start.h"
#include "recordio/units.h"

namespace {

using fuzz_support::fail;
using recordio::InputItem;
using recordio::Outcome;
using recordio::StatementRequest;

constexpr std::int32_t unit = 3;

constexpr recordio::EditDescriptor line_format[] = {recordio::integer(4),   recordio::character(4),
                                                    recordio::integer(4),   recordio::real(19, 8),
                                                    recordio::character(2), recordio::real(13, 8)};

struct Line {
  std::int32_t A = -1;
  char symbol[4] = {'?', '?', '?', '?'};
  std::int32_t charge = -1;
  double value = -1.0;
  char flag[2] = {'?', '?'};
  double sigma = -1.0;
};

// A numeric field of `width` columns at `position` ends early at a comma,
// which is consumed; a character field takes its columns whole.
std::string_view numeric_field(std::string_view record, std::size_t& position, std::size_t width) {
  const std::string_view field =
      position < record.size() ? record.substr(position, width) : std::string_view{};
  const std::size_t comma = field.find(',');
  if (comma != std::string_view::npos) {
    position += comma + 1;
    return field.substr(0, comma);
  }
  position += width;
  return field;
}

std::string character_field(std::string_view record, std::size_t& position, std::size_t width) {
  std::string field(position < record.size() ? record.substr(position, width) : std::string_view{});
  field.resize(width, ' ');
  position += width;
  return field;
}

// Plain digits with blanks at most around them, short enough for no wrap.
bool plain_integer(std::string_view field, std::int32_t& value) {
  std::size_t at = 0;
  while (at < field.size() && field[at] == ' ') ++at;
  std::size_t end = field.size();
  while (end > at && field[end - 1] == ' ') --end;
  if (end == at || end - at > 9) return false;
  value = 0;
  for (std::size_t i = at; i < end; ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
    value = value * 10 + (field[i] - '0');
  }
  return true;
}

// One line: the outcome of the statement, with the record as the layer cut
// it kept in `record`.
Outcome read_line(Line& line, std::string& record) {
  StatementRequest request;
  request.unit = unit;
  request.format = line_format;
  request.error_branch = true;
  request.end_branch = true;
  record.clear();
  Outcome outcome = recordio::begin_read(request);
  if (outcome != Outcome::success) return outcome;
  record = std::string(recordio::current_record().view());
  const InputItem items[] = {InputItem::of(line.A),         InputItem::text(line.symbol, 4),
                             InputItem::of(line.charge),    InputItem::of(line.value),
                             InputItem::text(line.flag, 2), InputItem::of(line.sigma)};
  for (const InputItem& item : items) {
    outcome = recordio::read_item(request, item);
    if (outcome != Outcome::success) return outcome;
  }
  return recordio::end_read(request);
}

// Lines the layer must deliver: one per LF, and a last line without its LF
// when it is one line: a byte other than CR, and no CR before the last such
// byte (lines that end in CR alone deliver nothing).
std::size_t expected_lines(std::string_view file) {
  std::size_t lines = 0;
  std::size_t at = 0;
  while (at < file.size()) {
    const std::size_t lf = file.find('\n', at);
    if (lf == std::string_view::npos) {
      const std::string_view tail = file.substr(at);
      const std::size_t last = tail.find_last_not_of('\r');
      if (last != std::string_view::npos &&
          tail.substr(0, last).find('\r') == std::string_view::npos) {
        ++lines;
      }
      break;
    }
    ++lines;
    at = lf + 1;
  }
  return lines;
}

void check_line(const Line& line, std::string_view record, Outcome outcome) {
  if (record.find_first_of("\r\n\t") != std::string_view::npos) {
    fail("record holds a CR, LF or tab", record);
  }
  if (outcome != Outcome::success) return;
  std::size_t position = 0;
  const std::string_view a = numeric_field(record, position, 4);
  const std::string symbol = character_field(record, position, 4);
  const std::string_view charge = numeric_field(record, position, 4);
  numeric_field(record, position, 19);
  const std::string flag = character_field(record, position, 2);
  if (symbol != std::string_view(line.symbol, 4)) fail("symbol is not columns 5-8", record);
  if (flag != std::string_view(line.flag, 2)) fail("flag is not its columns", record);
  std::int32_t value = 0;
  if (plain_integer(a, value) && value != line.A) fail("mass number misread", record);
  if (plain_integer(charge, value) && value != line.charge) fail("charge misread", record);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  recordio::start_up();
  fuzz_support::trap_run_stops();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const std::string name = fuzz_support::scratch_file("in.txt");
  if (!fuzz_support::write_file(name, file)) fail("cannot write the input file");

  StatementRequest connect;
  connect.unit = unit;
  connect.file_name = name;
  connect.status_keyword = "old";
  connect.form_keyword = "formatted";
  std::int32_t status = 0;
  connect.status = &status;
  if (recordio::open_unit(connect) != Outcome::success) fail("cannot connect the input file");
  recordio::find_unit(unit)->tab_width = 8;

  std::size_t lines = 0;
  Line line;
  std::string record;
  for (;;) {
    const Outcome outcome = read_line(line, record);
    if (outcome == Outcome::end_of_file) break;
    if (outcome != Outcome::success && outcome != Outcome::failure) fail("unexpected outcome");
    check_line(line, record, outcome);
    ++lines;
    if (lines > size + 1) fail("more statements than lines", file);
  }
  if (lines != expected_lines(file)) {
    fail("read " + std::to_string(lines) + " lines of " + std::to_string(expected_lines(file)),
         file);
  }
  // End of file stays end of file.
  if (read_line(line, record) != Outcome::end_of_file) fail("a read after end of file found more");

  StatementRequest release;
  release.unit = unit;
  release.status = &status;
  recordio::close_unit(release);
  return 0;
}
