// units_test.cpp - connection, release and the condition rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/output_editing.h"
#include "recordio/process_start.h"
#include "recordio/units.h"
#include "tests/recordio/layer_fixture.h"
#include "tests/support/run_program.h"

namespace {

using recordio::Outcome;
using recordio::StatementRequest;
using testing_support::LayerTest;

class Units : public LayerTest {};

// Keywords are matched after dropping trailing blanks and folding case; a
// leading blank must not be trimmed away (it makes the keyword unknown).
TEST_F(Units, StatusKeywordMatching) {
  dir_.write("in.txt", "x\n");
  struct Case {
    const char* keyword;
    std::int32_t code;
  };
  for (const Case& c : {Case{"old", 0}, Case{"OLD", 0}, Case{"Old   ", 0}, Case{"oLd", 0},
                        Case{" old", 10005}, Case{"olden", 10005}, Case{"", 10005}}) {
    SCOPED_TRACE(c.keyword);
    EXPECT_EQ(connect(3, "in.txt", c.keyword), c.code);
    release(3);
  }
  EXPECT_EQ(connect(3, "in.txt", "old", " formatted"), 10005);
  EXPECT_EQ(connect(3, "in.txt", "old", "FORMATTED   "), 0);
}

// The name loses leading and trailing blanks; an all-blank name is refused
// rather than opening some file with an empty name.
TEST_F(Units, FileNameTrimming) {
  dir_.write("in.txt", "x\n");
  EXPECT_EQ(connect(3, "   in.txt   "), 0);
  EXPECT_EQ(connect(4, std::string(30, ' ')), 10014);
  EXPECT_EQ(connect(4, std::string("in\0.txt", 7)), 123);
}

TEST_F(Units, IllegalUnitNumbers) {
  dir_.write("in.txt", "x\n");
  EXPECT_EQ(connect(-1, "in.txt"), 10029);
  EXPECT_EQ(connect(-2, "in.txt"), 10029);
  EXPECT_EQ(release(-1), 10029);
  EXPECT_EQ(release(-7), 10029);
  // With an error branch the same condition comes back as failure.
  StatementRequest request;
  request.unit = -2;
  request.file_name = "in.txt";
  request.error_branch = true;
  EXPECT_EQ(recordio::open_unit(request), Outcome::failure);
}

TEST_F(Units, ReleasingAnUnconnectedUnitSucceeds) { EXPECT_EQ(release(12), 0); }

// "NEW" on an existing file must not open it for writing: its bytes stay.
TEST_F(Units, NewStatusOnExistingFileLeavesItUntouched) {
  dir_.write("out.txt", "precious");
  EXPECT_EQ(connect(1, "out.txt", "new"), 10032);
  EXPECT_EQ(dir_.read("out.txt").value(), "precious");
  EXPECT_EQ(recordio::find_unit(1), nullptr) << "a failed connection stays in the table";
}

TEST_F(Units, MissingOldFileCreatesNothing) {
  EXPECT_EQ(connect(3, "absent.txt"), 2);
  EXPECT_FALSE(dir_.read("absent.txt").has_value());
  EXPECT_EQ(connect(3, "nodir/absent.txt"), 2);
  dir_.write("plain", "");
  EXPECT_EQ(connect(3, "plain/absent.txt"), 3);
  EXPECT_EQ(connect(3, std::string(5000, 'n')), 206);
}

TEST_F(Units, UnknownStatusOpensOrCreates) {
  EXPECT_EQ(connect(2, "made.txt", "unknown"), 0);
  EXPECT_NE(recordio::find_unit(2), nullptr);
  EXPECT_EQ(release(2), 0);
  EXPECT_TRUE(dir_.read("made.txt").has_value());
  EXPECT_EQ(connect(2, "made.txt", std::nullopt), 0);
  EXPECT_EQ(release(2, "delete"), 0);
  EXPECT_FALSE(dir_.read("made.txt").has_value());
}

// A statement's unit is kept for the next one on the same number; the
// number connected to another file must send the next write there, not
// through the connection that was released.
TEST_F(Units, AWriteAfterReconnectionGoesToTheNewFile) {
  static constexpr recordio::EditDescriptor as_text[] = {recordio::character()};
  const auto write_text = [](std::string_view text) {
    recordio::StatementRequest request;
    request.unit = 7;
    request.format = as_text;
    recordio::begin_write(request);
    recordio::write_item(request, recordio::OutputItem::of(text));
    return recordio::end_write(request);
  };
  ASSERT_EQ(connect(7, "first.out", "new"), 0);
  EXPECT_EQ(write_text("one"), Outcome::success);
  ASSERT_EQ(connect(7, "second.out", "new"), 0);
  EXPECT_EQ(write_text("two"), Outcome::success);
  ASSERT_EQ(release(7), 0);
  ASSERT_EQ(connect(7, "third.out", "new"), 0);
  EXPECT_EQ(write_text("three"), Outcome::success);
  ASSERT_EQ(release(7), 0);
  EXPECT_EQ(dir_.read("first.out").value_or("<none>"), "one\r\n");
  EXPECT_EQ(dir_.read("second.out").value_or("<none>"), "two\r\n");
  EXPECT_EQ(dir_.read("third.out").value_or("<none>"), "three\r\n");
}

TEST_F(Units, ReleaseKeywords) {
  dir_.write("in.txt", "x\n");
  EXPECT_EQ(connect(3, "in.txt"), 0);
  EXPECT_EQ(release(3, " keep"), 10005);
  EXPECT_NE(recordio::find_unit(3), nullptr) << "a refused release keeps the connection";
  EXPECT_EQ(release(3, "Keep  "), 0);
  EXPECT_TRUE(dir_.read("in.txt").has_value());
}

// Connecting a connected unit again: the same file with the same properties
// changes nothing; another file releases the old connection first.
TEST_F(Units, Reconnection) {
  dir_.write("a.txt", "a\n");
  dir_.write("b.txt", "b\n");
  ASSERT_EQ(connect(3, "a.txt"), 0);
  recordio::Unit* first = recordio::find_unit(3);
  EXPECT_EQ(connect(3, "a.txt  "), 0);
  EXPECT_EQ(recordio::find_unit(3), first);
  EXPECT_EQ(connect(3, "a.txt", "new"), 10030);
  EXPECT_EQ(connect(3, "a.txt", "unknown"), 10030);
  // A leading blank is not ignored in the comparison: the unit is connected
  // afresh (to the same file, since the name itself is trimmed).
  EXPECT_EQ(connect(3, " a.txt", "new"), 10032);
  EXPECT_EQ(recordio::find_unit(3), nullptr);
  ASSERT_EQ(connect(3, "a.txt"), 0);
  EXPECT_EQ(connect(3, "b.txt"), 0);
  ASSERT_NE(recordio::find_unit(3), nullptr);
  EXPECT_STREQ(recordio::find_unit(3)->name, "b.txt");
}

// The status value is cut to the variable's width as two's complement; the
// bytes beside a narrow variable must not be touched.
TEST(StatusVariable, StoredCutToItsWidth) {
  struct Case {
    int width;
    std::int32_t value;
    std::uint32_t stored;  // the low `width` bytes
  };
  for (const Case& c :
       {Case{4, -1, 0xFFFFFFFFu}, Case{2, -1, 0xFFFFu}, Case{1, -1, 0xFFu}, Case{4, 10016, 10016u},
        Case{2, 10016, 10016u}, Case{1, 10016, 0x20u}, Case{2, 70000, 70000u & 0xFFFFu}}) {
    SCOPED_TRACE(c.width);
    unsigned char bytes[8];
    std::memset(bytes, 0xAB, sizeof bytes);
    StatementRequest request;
    request.status = bytes;
    request.status_width = c.width;
    recordio::set_status(request, c.value);
    std::uint32_t stored = 0;
    std::memcpy(&stored, bytes, static_cast<std::size_t>(c.width));
    EXPECT_EQ(stored, c.stored);
    EXPECT_EQ(bytes[c.width], 0xAB);
  }
}

// The order of the rules: the status is stored first, an error branch wins
// over a status variable, end of file goes to its own branch when there is
// one, and every returned condition empties the current record.
TEST(ConditionRules, OutcomeByBranches) {
  struct Case {
    bool error_branch, end_branch, status;
    bool end_of_file;
    Outcome outcome;
    std::int32_t status_value;
    bool failed_mark;
  };
  const Case cases[] = {
      {true, false, false, false, Outcome::failure, 0, false},
      {true, false, true, false, Outcome::failure, 10016, false},
      {false, false, true, false, Outcome::recorded, 10016, true},
      {true, true, false, true, Outcome::end_of_file, 0, false},
      {false, true, true, true, Outcome::end_of_file, -1, false},
      {true, false, true, true, Outcome::failure, -1, false},
      {false, false, true, true, Outcome::recorded, -1, true},
  };
  for (const Case& c : cases) {
    StatementRequest request;
    request.error_branch = c.error_branch;
    request.end_branch = c.end_branch;
    std::int32_t status = 0;
    if (c.status) request.status = &status;
    recordio::current_record().clear();
    ASSERT_TRUE(recordio::current_record().store("left over"));
    const Outcome outcome = c.end_of_file ? recordio::end_of_file_condition(request)
                                          : recordio::raise_condition(10016, request);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(status, c.status_value);
    EXPECT_EQ(request.statement_failed, c.failed_mark);
    EXPECT_EQ(recordio::current_record().length(), 0);
  }
}

// A condition nobody asked for ends the process with the three-line report
// and status 255, and names the statement and unit in force.
TEST(FailureReport, ThreeLinesAndExitStatus) {
  struct Case {
    recordio::StatementKind kind;
    std::int32_t unit;
    std::int32_t condition;
    const char* report;
  };
  const Case cases[] = {
      {recordio::StatementKind::read, 3, 10016,
       "? Run-Time Error:\n? Illegal character in numeric input\n? READ(UNIT=3,...\n"},
      {recordio::StatementKind::open, -1, 10029,
       "? Run-Time Error:\n? Unconnected or illegal unit specified\n? OPEN(UNIT=*,...\n"},
      {recordio::StatementKind::close, -2, 10029,
       "? Run-Time Error:\n? Unconnected or illegal unit specified\n? CLOSE(UNIT=-2,...\n"},
      {recordio::StatementKind::write, 1, 112,
       "? System Error:\n? There is not enough space on the disk.\n? WRITE(UNIT=1,...\n"},
      {recordio::StatementKind::read, 10, 10013,
       "? Run-Time Error:\n? Attempt to read past end of file\n? READ(UNIT=10,...\n"},
  };
  for (const Case& c : cases) {
    const auto result = testing_support::run_in_child(
        [&] {
          StatementRequest request;
          request.kind = c.kind;
          request.unit = c.unit;
          recordio::raise_condition(c.condition, request);
        },
        {});
    EXPECT_EQ(result.exit_status, 255);
    EXPECT_EQ(result.standard_error, c.report);
  }
}

// The run's stop prints nothing and ends with status 0.
TEST(StopRun, SilentWithStatusZero) {
  const auto result = testing_support::run_in_child(
      [] {
        StatementRequest request;
        recordio::stop_run(request);
      },
      {});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.standard_error, "");
  EXPECT_EQ(result.standard_output, "");
}

TEST(StartUp, RoundsToNearestWithExceptionsMasked) {
  recordio::start_up();
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  volatile double zero = 0.0;
  EXPECT_TRUE(std::isinf(1.0 / zero));
  EXPECT_TRUE(std::isnan(zero / zero));
  volatile double tiny = 4.9406564584124654e-324;
  EXPECT_GT(tiny, 0.0) << "subnormals must not be flushed to zero";
}

}  // namespace
