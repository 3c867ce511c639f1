// reporting_reader_test.cpp - what the layer keeps for a reader that reports
// on a file: a connection that cannot write, the lines behind the records,
// and the column of each free-form value.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/input_editing.h"
#include "recordio/output_editing.h"
#include "recordio/text_records.h"
#include "recordio/units.h"
#include "tests/recordio/layer_fixture.h"

namespace {

using recordio::Outcome;
using recordio::StatementRequest;
using testing_support::LayerTest;

class ReportingReader : public LayerTest {
 protected:
  std::int32_t connect_for_reading(std::int32_t unit, std::string_view name) {
    StatementRequest request;
    request.unit = unit;
    request.file_name = name;
    request.status_keyword = "old";
    request.action_keyword = "read";
    std::int32_t code = -99;
    request.status = &code;
    recordio::open_unit(request);
    return code;
  }
};

// A unit connected for reading holds a handle that cannot write, and a
// write statement on it is refused instead of reaching the file.
TEST_F(ReportingReader, ReadOnlyConnectionCannotWrite) {
  dir_.write("in.txt", "kept\n");
  ASSERT_EQ(connect_for_reading(3, "in.txt"), 0);
  recordio::Unit* unit = recordio::find_unit(3);
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(fcntl(unit->handle, F_GETFL) & O_ACCMODE, O_RDONLY);
  StatementRequest request;
  request.unit = 3;
  std::int32_t status = 0;
  request.status = &status;
  EXPECT_EQ(recordio::begin_write(request), Outcome::recorded);
  EXPECT_EQ(status, recordio::code::not_open_for_write);
  EXPECT_EQ(release(3), 0);
  EXPECT_EQ(dir_.read("in.txt"), "kept\n");
}

TEST_F(ReportingReader, UnknownActionIsABadSpecifier) {
  dir_.write("in.txt", "x\n");
  StatementRequest request;
  request.unit = 3;
  request.file_name = "in.txt";
  request.action_keyword = "append";
  std::int32_t code = 0;
  request.status = &code;
  recordio::open_unit(request);
  EXPECT_EQ(code, recordio::code::bad_iolist_specifier);
}

struct TracedLine {
  std::int64_t number;
  std::string raw;
  bool line_feed;
};

// The trace keeps each line's own bytes, CRs and tabs included, also across
// a block boundary, and what an unterminated last line held.
TEST_F(ReportingReader, TraceKeepsTheLinesBehindTheRecords) {
  const std::string long_line(9000, 'x');
  dir_.write("in.txt", "a\tb\r\nc\rd\n" + long_line + "\nlast");
  ASSERT_EQ(connect_for_reading(3, "in.txt"), 0);
  recordio::Unit* unit = recordio::find_unit(3);
  recordio::RecordTrace trace;
  unit->trace = &trace;
  std::vector<TracedLine> lines;
  for (int guard = 0; guard < 10; ++guard) {
    StatementRequest request;
    request.end_branch = true;
    if (recordio::read_record(*unit, request) != Outcome::success) break;
    lines.push_back({trace.line_number, std::string(trace.raw.view()), trace.line_feed});
  }
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].number, 1);
  EXPECT_EQ(lines[0].raw, "a\tb\r");
  EXPECT_TRUE(lines[0].line_feed);
  EXPECT_EQ(lines[1].raw, "c\rd");
  EXPECT_EQ(lines[2].raw, long_line);
  // The unterminated last line is seen without a line feed, whether it is
  // delivered as a record or only held when end of file is reported.
  EXPECT_EQ(trace.line_number, 4);
  const bool delivered = lines.size() == 4 && lines[3].raw == "last" && !lines[3].line_feed;
  const bool held = std::string(trace.raw.view()) == "last" && !trace.line_feed;
  EXPECT_TRUE(delivered || held);
}

TEST_F(ReportingReader, FreeFormValuesTellTheirColumns) {
  dir_.write("table", "  37  'Rb',1 4.177\n");
  ASSERT_EQ(connect_for_reading(10, "table"), 0);
  StatementRequest request;
  request.unit = 10;
  request.transfer = recordio::Transfer::free_form;
  std::int32_t status = 0;
  request.status = &status;
  std::int32_t number = 0;
  char symbol[4];
  std::int32_t charge = 0;
  double energy = 0;
  std::vector<std::int32_t> columns;
  recordio::begin_read(request);
  for (const auto item : {recordio::InputItem::of(number), recordio::InputItem::text(symbol, 4),
                          recordio::InputItem::of(charge), recordio::InputItem::of(energy)}) {
    recordio::read_item(request, item);
    columns.push_back(recordio::free_form_value_column());
  }
  recordio::end_read(request);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(columns, (std::vector<std::int32_t>{3, 7, 12, 14}));
}

}  // namespace
