// text_records_test.cpp - lines as records on input, CR LF records in 8192-
// byte blocks on output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "conversion/equation_formats.h"
#include "recordio/compiled_fields.h"
#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/messages.h"
#include "recordio/output_editing.h"
#include "recordio/prepared_format.h"
#include "recordio/process_start.h"
#include "recordio/text_records.h"
#include "recordio/units.h"
#include "tests/recordio/layer_fixture.h"
#include "tests/support/run_program.h"

namespace {

using recordio::Outcome;
using recordio::StatementRequest;
using testing_support::LayerTest;

constexpr recordio::PreparedFormat equation_layout{conversion::equation_list};
constexpr recordio::PreparedFormat equation_format =
    recordio::compiled_for_writing<equation_layout>();

class TextRecords : public LayerTest {
 protected:
  // Every record of `bytes`, read with the given tab width, until end of file.
  std::vector<std::string> records(const std::string& bytes, int tab_width = 8) {
    dir_.write("in.txt", bytes);
    EXPECT_EQ(connect(3, "in.txt"), 0);
    recordio::Unit* unit = recordio::find_unit(3);
    unit->tab_width = tab_width;
    std::vector<std::string> result;
    for (int guard = 0; guard < 1000; ++guard) {
      StatementRequest request;
      request.end_branch = true;
      if (recordio::read_record(*unit, request) != Outcome::success) break;
      result.emplace_back(recordio::current_record().view());
    }
    // End of file is reported again on every later read.
    StatementRequest again;
    again.end_branch = true;
    EXPECT_EQ(recordio::read_record(*unit, again), Outcome::end_of_file);
    release(3);
    return result;
  }

  // The bytes a sequence of records becomes in a file.
  std::string written(const std::vector<std::string>& lines) {
    const std::string name = "out" + std::to_string(++files_) + ".txt";
    EXPECT_EQ(connect(1, name, "new"), 0);
    recordio::Unit* unit = recordio::find_unit(1);
    for (const auto& line : lines) {
      recordio::current_record().clear();
      EXPECT_TRUE(recordio::current_record().store(line));
      StatementRequest request;
      EXPECT_EQ(recordio::end_record(*unit, request), Outcome::success);
    }
    EXPECT_EQ(release(1), 0);
    return dir_.read(name).value_or("<none>");
  }
  int files_ = 0;
};

using Lines = std::vector<std::string>;

TEST_F(TextRecords, LineEndsAndCarriageReturns) {
  struct Case {
    const char* name;
    std::string bytes;
    Lines expected;
  };
  const Case cases[] = {
      {"crlf", "ab\r\ncd\r\n", {"ab", "cd"}},
      {"lf", "ab\ncd\n", {"ab", "cd"}},
      {"cr inside a line vanishes", "a\rb\n", {"ab"}},
      {"empty file", "", {}},
      {"single lf", "\n", {""}},
      {"blank lines kept", "\n\nx\n", {"", "", "x"}},
      // A last line without LF is delivered rather than silently lost.
      {"unterminated last line", "ab\ncd", {"ab", "cd"}},
      {"unterminated crlf-less last line", "ab\r\ncd\r", {"ab", "cd"}},
      {"lone cr at the end is nothing", "ab\n\r", {"ab"}},
      // Lines that end in CR alone are not one line: nothing is delivered.
      {"cr-only line ends are end of file", "ab\rcd\r", {}},
      {"cr-only lines after an lf line", "ab\ncd\ref", {"ab"}},
      {"nul and ctrl-z are data", std::string("a\0b\x1a\n", 5), {std::string("a\0b\x1a", 4)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(records(c.bytes), c.expected);
  }
}

TEST_F(TextRecords, TabsExpandToTheNextStop) {
  struct Case {
    int width;
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {8, "\tX\n", "        X"},
      {8, "ab\tX\n", "ab      X"},
      {8, "abcdefgh\tX\n", "abcdefgh        X"},
      {8, "a\t\tX\n", "a               X"},
      {4, "a\tX\n", "a   X"},
      {4, "abcd\tX\n", "abcd    X"},
      {1, "a\tX\n", "a X"},
      {0, "a\tX\n", "a\tX"},
      // A CR is dropped before it counts as a column.
      {8, "a\r\tX\n", "a       X"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    EXPECT_EQ(records(c.bytes, c.width), Lines{c.expected});
  }
}

TEST(TabWidth, FromTabsizeValue) {
  struct Case {
    const char* value;
    int width;
  };
  const Case cases[] = {
      {nullptr, 8},
      {"", 8},
      {"4", 4},
      {"+4", 4},
      {"0", 0},
      {"x", 0},
      {"4x", 4},
      {"-3", 8},
      {" 4", 0},
      {"12345678901234567890", 8},
      // 19 digits still count, read as a 32-bit number that wraps.
      {"1234567890123456789", 2112454933},
      {"4294967300", 4},
      {"0000000000000000004", 4},
      // 20 characters fall back to 8 even when the number would not wrap.
      {"00000000000000000004", 8},
      // The examples of both man pages: the sign is applied after the wrap.
      {"-4", 8},
      {"-4294967295", 1},
      {"4294967296", 0},
      {"2147483648", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value == nullptr ? "unset" : c.value);
    const std::int64_t length =
        c.value == nullptr ? -1 : static_cast<std::int64_t>(std::strlen(c.value));
    EXPECT_EQ(recordio::tab_width_from(c.value, length), c.width);
  }
}

TEST_F(TextRecords, LongLinesAcrossBlocks) {
  const std::string long_line(100000, 'x');
  EXPECT_EQ(records(long_line + "\nend\n"), (Lines{long_line, "end"}));
  // A line that starts just before a block boundary and a CR LF split by one.
  const std::string head(8191, 'a');
  EXPECT_EQ(records(head + "\r\nbc\n"), (Lines{head, "bc"}));
  EXPECT_EQ(records(std::string(8190, 'a') + "\r\nbc\n"), (Lines{std::string(8190, 'a'), "bc"}));
}

TEST_F(TextRecords, EveryRecordEndsInCrLfAndNothingIsTrimmed) {
  EXPECT_EQ(written({"0Error", "", " lead and trail  "}), "0Error\r\n\r\n lead and trail  \r\n");
  EXPECT_EQ(written({}), "");
}

TEST_F(TextRecords, RecordsAcrossTheBlockBoundaryArriveWhole) {
  Lines lines;
  std::string expected;
  for (int i = 0; i < 500; ++i) {
    lines.push_back(std::string(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26)));
    expected += lines.back() + "\r\n";
  }
  lines.push_back(std::string(20000, 'z'));
  expected += lines.back() + "\r\n";
  EXPECT_EQ(written(lines), expected);
}

// A file that existed and was longer than the output must lose its old
// tail at the first block written, or stale bytes would follow the records.
TEST_F(TextRecords, ExistingLongerFileIsCutAfterTheRecordsWritten) {
  dir_.write("out.txt", std::string(100, 'o') + "\n");
  ASSERT_EQ(connect(1, "out.txt", "unknown"), 0);
  ASSERT_TRUE(recordio::current_record().store("new"));
  StatementRequest request;
  ASSERT_EQ(recordio::end_record(*recordio::find_unit(1), request), Outcome::success);
  EXPECT_EQ(release(1), 0);
  EXPECT_EQ(dir_.read("out.txt").value(), "new\r\n");
}

// A character device is written out after every record, so a refusal shows
// at the statement that wrote the record, not at some later block or release.
TEST_F(TextRecords, CharacterDeviceFailsAtTheRecordItRefuses) {
  if (connect(1, "/dev/full", "old") != 0) GTEST_SKIP() << "/dev/full cannot be opened here";
  ASSERT_TRUE(recordio::current_record().store("lost"));
  StatementRequest request;
  std::int32_t status = 0;
  request.status = &status;
  EXPECT_EQ(recordio::end_record(*recordio::find_unit(1), request), Outcome::recorded);
  EXPECT_EQ(status, recordio::platform::error::disk_full);
  EXPECT_EQ(release(1), 0);
}

// A terminal is a character device: a laid-out write, which puts its record
// straight into the block, must still send it at once, so that it can be
// read from the terminal before the unit is released.
TEST_F(TextRecords, LaidOutWriteToATerminalIsDeliveredAtOnce) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    if (master >= 0) close(master);
    GTEST_SKIP() << "no pseudo-terminal here: " << std::strerror(errno);
  }
  // Raw: the terminal passes the record's CR LF as they are.
  termios raw{};
  ASSERT_EQ(tcgetattr(master, &raw), 0);
  cfmakeraw(&raw);
  ASSERT_EQ(tcsetattr(master, TCSANOW, &raw), 0);
  ASSERT_EQ(connect(1, ptsname(master)), 0);
  StatementRequest request;
  request.unit = 1;
  recordio::use_format(request, equation_format);
  const recordio::OutputItem items[] = {
      recordio::OutputItem::of(133),     recordio::OutputItem::of("Cs  "),
      recordio::OutputItem::of(85),      recordio::OutputItem::of("Rb  "),
      recordio::OutputItem::of(1.5647),  recordio::OutputItem::of(-12345.678905),
      recordio::OutputItem::of(0.000012)};
  ASSERT_EQ(recordio::begin_write(request), Outcome::success);
  ASSERT_EQ(recordio::write_items(request, items), Outcome::success);
  ASSERT_EQ(recordio::end_write(request), Outcome::success);
  const std::string record = "        133Cs  -  85Rb  * 1.565 =   -12345.67891 (  0.00001)\r\n";
  std::string arrived;
  pollfd ready{master, POLLIN, 0};
  while (arrived.size() < record.size() && poll(&ready, 1, 2000) == 1) {
    char bytes[256];
    const ssize_t n = read(master, bytes, sizeof bytes);
    if (n <= 0) break;
    arrived.append(bytes, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(arrived, record);
  EXPECT_EQ(release(1), 0);
  close(master);
}

// A block that cannot be written ends the run with the disk-full report; all
// blocks before it must already be in the file, and nothing may be repeated.
TEST_F(TextRecords, RefusedBlockWriteIsFatalAndKeepsEarlierBlocks) {
  const std::string record(98, 'r');  // 100 bytes with CR LF
  testing_support::RunOptions options;
  options.file_size_limit = 3 * 8192 + 50;
  const auto result = testing_support::run_in_child(
      [&] {
        recordio::start_up();
        StatementRequest open;
        open.unit = 1;
        open.file_name = "out.txt";
        open.status_keyword = "new";
        recordio::open_unit(open);
        recordio::Unit* unit = recordio::find_unit(1);
        for (int i = 0; i < 1000; ++i) {
          recordio::current_record().clear();
          recordio::current_record().store(record);
          StatementRequest write;
          write.kind = recordio::StatementKind::write;
          write.unit = 1;
          recordio::end_record(*unit, write);
        }
        _exit(0);
      },
      options);
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.standard_error,
            "? System Error:\n? There is not enough space on the disk.\n? WRITE(UNIT=1,...\n");
  const std::string file = dir_.read("out.txt").value();
  std::string expected;
  while (expected.size() < file.size()) expected += record + "\r\n";
  EXPECT_GE(file.size(), 3u * 8192u);
  EXPECT_LE(file.size(), 3u * 8192u + 50u);
  EXPECT_EQ(file, expected.substr(0, file.size()));
}

// A read the system refuses is a condition with the system's code; none of
// the bytes the buffer held before may pass as a record. Reading address 0
// of the process's own memory fails with EIO.
TEST_F(TextRecords, RefusedReadIsAConditionNotStaleBytes) {
  if (connect(3, "/proc/self/mem") != 0) GTEST_SKIP() << "/proc/self/mem cannot be opened here";
  recordio::Unit* unit = recordio::find_unit(3);
  std::memcpy(unit->block, "stale\n", 6);
  StatementRequest request;
  request.error_branch = true;
  std::int32_t status = 0;
  request.status = &status;
  EXPECT_EQ(recordio::read_record(*unit, request), Outcome::failure);
  EXPECT_EQ(status, recordio::platform::error::errno_flag | EIO);
  EXPECT_EQ(recordio::current_record().length(), 0);
  EXPECT_EQ(recordio::read_record(*unit, request), Outcome::failure);
  EXPECT_EQ(recordio::system_error_text(status), "Input/output error.");
}

// The last, partly filled block reaches the file at both ends of the run:
// the stop, and a fatal condition, which must write the units out before
// it reports.
TEST_F(TextRecords, BothEndsOfTheRunWriteTheLastBlock) {
  struct Case {
    bool fatal;
    int exit_status;
    const char* report;
  };
  for (const Case& c :
       {Case{false, 0, ""}, Case{true, 255,
                                 "? Run-Time Error:\n? Illegal character in numeric input\n"
                                 "? READ(UNIT=3,...\n"}}) {
    SCOPED_TRACE(c.fatal ? "fatal condition" : "stop");
    const auto result = testing_support::run_in_child(
        [&] {
          StatementRequest open;
          open.unit = 1;
          open.file_name = "out.txt";
          open.status_keyword = "new";
          recordio::open_unit(open);
          recordio::current_record().store("last");
          StatementRequest write;
          recordio::end_record(*recordio::find_unit(1), write);
          StatementRequest end;
          if (!c.fatal) recordio::stop_run(end);
          end.kind = recordio::StatementKind::read;
          end.unit = 3;
          recordio::raise_condition(recordio::code::illegal_numeric_character, end);
        },
        {});
    EXPECT_EQ(result.exit_status, c.exit_status);
    EXPECT_EQ(result.standard_error, c.report);
    EXPECT_EQ(dir_.read("out.txt").value_or("<none>"), "last\r\n");
    ASSERT_EQ(remove(dir_.file("out.txt").c_str()), 0);
  }
}

}  // namespace
