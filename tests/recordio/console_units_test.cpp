// console_units_test.cpp - units 5, 6, 0, 9 and the default unit on the
// standard streams, in child processes whose streams are pipes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "recordio/current_record.h"
#include "recordio/input_editing.h"
#include "recordio/output_editing.h"
#include "recordio/text_records.h"
#include "recordio/units.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

namespace rio = recordio;
using recordio::Outcome;
using recordio::StatementRequest;
using testing_support::RunOptions;
using testing_support::RunResult;

constexpr rio::EditDescriptor as_text[] = {rio::character()};

// One write statement of `text` as a whole record.
Outcome write_record(std::int32_t unit, std::string_view text) {
  StatementRequest request;
  request.unit = unit;
  request.format = as_text;
  Outcome outcome = rio::begin_write(request);
  if (outcome == Outcome::success) outcome = rio::write_item(request, rio::OutputItem::of(text));
  if (outcome == Outcome::success) outcome = rio::end_write(request);
  return outcome;
}

// One read statement with an end-of-file branch; `text` gets the record.
Outcome read_record(std::int32_t unit, std::string& text) {
  StatementRequest request;
  request.unit = unit;
  request.end_branch = true;
  const Outcome outcome = rio::begin_read(request);
  if (outcome != Outcome::success) return outcome;
  text = rio::current_record().view();
  return rio::end_read(request);
}

void connect_unit(std::int32_t unit, std::string_view name, std::string_view status) {
  StatementRequest request;
  request.unit = unit;
  request.file_name = name;
  request.status_keyword = status;
  rio::open_unit(request);
}

void release_unit(std::int32_t unit) {
  StatementRequest request;
  request.unit = unit;
  rio::close_unit(request);
}

[[noreturn]] void stop() {
  StatementRequest request;
  rio::stop_run(request);
}

RunResult in_child(void (*body)(), const std::string& input, const std::string& directory = "") {
  RunOptions options;
  options.standard_input = input;
  options.working_directory = directory;
  options.timeout_ms = 20000;
  return testing_support::run_in_child(body, options);
}

constexpr const char* lines_in = "ab\r\ncd\n\tX\nlast";

// The records of lines_in as written back. The run's tab width is looked up
// once per process; asking for it here fixes it before the child is forked.
std::string records_out() {
  const int width = rio::tab_width();
  const std::string tab = width == 0 ? "\t" : std::string(static_cast<std::size_t>(width), ' ');
  return "ab\r\ncd\r\n" + tab + "X\r\nlast\r\n";
}

// Every record read from one console number, written to another, until the
// end of the input; a number mapped to the wrong stream, a CR kept, the tab
// width of the file path lost or the last line dropped all show here.
template <std::int32_t from, std::int32_t to>
void copy_console() {
  std::string text;
  while (read_record(from, text) == Outcome::success) write_record(to, text);
  stop();
}

TEST(ConsoleUnits, EachNumberUsesItsStream) {
  struct Case {
    const char* name;
    void (*body)();
    bool to_error_stream;
  };
  const Case cases[] = {
      {"5 to 6", copy_console<5, 6>, false},
      {"9 to 9", copy_console<9, 9>, false},
      {"default unit both ways", copy_console<-1, -1>, false},
      {"5 to 0", copy_console<5, 0>, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult result = in_child(c.body, lines_in);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.standard_output, c.to_error_stream ? "" : records_out());
    EXPECT_EQ(result.standard_error, c.to_error_stream ? records_out() : "");
  }
}

// Unit 0 is only written, unit 5 only read and unit 6 only written; the
// other direction stays a condition. The codes go to the standard output.
TEST(ConsoleUnits, DirectionsWithoutAStream) {
  const RunResult result = in_child(
      [] {
        std::string codes;
        const auto code_of = [&codes](std::int32_t unit, bool writing) {
          std::int32_t status = 0;
          StatementRequest request;
          request.unit = unit;
          request.status = &status;
          if (writing)
            rio::begin_write(request);
          else
            rio::begin_read(request);
          codes += std::to_string(status) + " ";
        };
        code_of(0, false);
        code_of(5, true);
        code_of(6, false);
        write_record(6, codes);
        stop();
      },
      "x\n");
  EXPECT_EQ(result.standard_output, "10000 10029 10029 \r\n");
}

// A connection of a console number to a file wins while it lasts; a release
// of a number that only has its console stream does nothing.
TEST(ConsoleUnits, ConnectionToAFileTakesPrecedence) {
  testing_support::ScratchDir dir;
  dir.write("five.txt", "from file\n");
  const RunResult result = in_child(
      [] {
        std::string text;
        // The console first: a transfer's unit found before a connect must
        // not outlive it.
        write_record(6, "first to the console");
        connect_unit(5, "five.txt", "old");
        connect_unit(6, "six.txt", "new");
        read_record(5, text);
        write_record(6, text);
        release_unit(6);
        release_unit(6);
        write_record(6, "to the console");
        release_unit(5);
        read_record(5, text);
        write_record(6, text);
        stop();
      },
      "from stdin\n", dir.path());
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(dir.read("six.txt").value_or("<none>"), "from file\r\n");
  EXPECT_EQ(result.standard_output, "first to the console\r\nto the console\r\nfrom stdin\r\n");
}

// Releasing every unit frees the console ones too: the unit a write found
// last must not be the one the next write to the same number gets.
TEST(ConsoleUnits, AWriteAfterEveryUnitIsReleasedGetsAStreamAnew) {
  const RunResult result = in_child(
      [] {
        write_record(6, "before");
        rio::release_all_units(false);
        write_record(6, "after");
        stop();
      },
      "");
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.standard_output, "before\r\nafter\r\n");
}

// With both streams on one pipe, records and the failure report must come
// out in the order they were made: each record is written out at once, and
// nothing of the console output is left behind by the fatal path.
TEST(ConsoleUnits, RecordsInterleaveWithTheFailureReport) {
  const RunResult result = in_child(
      [] {
        dup2(STDOUT_FILENO, STDERR_FILENO);
        write_record(6, "one");
        write_record(0, "two");
        write_record(-1, "three");
        std::string text;
        read_record(5, text);  // the only line
        StatementRequest request;
        request.unit = 5;
        rio::begin_read(request);  // end of file, no branch
      },
      "line\n");
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.standard_output,
            "one\r\ntwo\r\nthree\r\n"
            "? Run-Time Error:\n? Attempt to read past end of file\n? READ(UNIT=5,...\n");
}

// A reader that went away is a refused write, reported after the files were
// written out, not a signal that ends the process and loses their blocks.
TEST(ConsoleUnits, OutputWithoutAReaderIsReportedAndFilesKept) {
  testing_support::ScratchDir dir;
  const RunResult result = in_child(
      [] {
        connect_unit(1, "out.txt", "new");
        write_record(1, "kept");
        int ends[2];
        if (pipe(ends) != 0) _exit(120);
        close(ends[0]);
        dup2(ends[1], STDOUT_FILENO);
        write_record(6, "nobody reads this");
        _exit(0);
      },
      "", dir.path());
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.standard_error, "? System Error:\n? Broken pipe.\n? WRITE(UNIT=6,...\n");
  EXPECT_EQ(dir.read("out.txt").value_or("<none>"), "kept\r\n");
}

}  // namespace
