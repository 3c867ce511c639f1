// write_statement_test.cpp - whole write statements into real files.
//
// Each test connects unit 1 to a new file in a scratch directory, runs write
// statements, releases the unit and compares the file's bytes; every record
// ends in CR LF.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "conversion/equation_formats.h"
#include "recordio/output_editing.h"
#include "recordio/statement.h"
#include "recordio/units.h"
#include "tests/support/scratch_dir.h"

namespace {

using recordio::EditDescriptor;
using recordio::FormatList;
using recordio::Outcome;
using recordio::OutputItem;
using recordio::StatementKind;
using recordio::StatementRequest;
using recordio::Transfer;

namespace rio = recordio;

using conversion::equation_list;
using conversion::failure_closing_list;
using conversion::kev_list;
using conversion::micro_u_list;
using conversion::normal_closing_list;
using conversion::warning_text;

class WriteStatement : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_.emplace(dir_.path());
    StatementRequest request;
    request.unit = 1;
    request.file_name = "out.equat";
    request.status_keyword = "new";
    request.form_keyword = "formatted";
    ASSERT_EQ(rio::open_unit(request), Outcome::success);
  }

  void TearDown() override {
    if (!closed_) close();
    cwd_.reset();
  }

  void close() {
    StatementRequest request;
    request.unit = 1;
    EXPECT_EQ(rio::close_unit(request), Outcome::success);
    closed_ = true;
  }

  // Releases the unit and returns the file's bytes.
  std::string file_bytes() {
    close();
    return dir_.read("out.equat").value_or("<no file>");
  }

  // One whole fixed-column statement that must succeed at every step.
  void write_fixed(FormatList list, std::initializer_list<OutputItem> items) {
    StatementRequest request;
    request.unit = 1;
    request.format = list;
    ASSERT_EQ(rio::begin_write(request), Outcome::success);
    EXPECT_EQ(request.kind, StatementKind::write);
    for (const OutputItem& item : items)
      ASSERT_EQ(rio::write_item(request, item), Outcome::success);
    ASSERT_EQ(rio::end_write(request), Outcome::success);
    EXPECT_EQ(request.kind, StatementKind::rewind);
  }

  void write_free(std::initializer_list<std::string_view> texts) {
    StatementRequest request;
    request.unit = 1;
    request.transfer = Transfer::free_form;
    ASSERT_EQ(rio::begin_write(request), Outcome::success);
    for (std::string_view text : texts) {
      ASSERT_EQ(rio::write_item(request, OutputItem::of(text)), Outcome::success);
    }
    ASSERT_EQ(rio::end_write(request), Outcome::success);
    EXPECT_EQ(request.kind, StatementKind::rewind);
  }

  testing_support::ScratchDir dir_;
  std::optional<testing_support::WorkingDirectory> cwd_;
  bool closed_ = false;
};

// ---------------------------------------------------------------------------
// The program's records

// Any column shift between fields (a skip that stored blanks at the wrong
// time, a field one column too wide) moves everything after it.
TEST_F(WriteStatement, EquationRecordOfAMeasurement) {
  write_fixed(equation_list, {OutputItem::of(133), OutputItem::of("Cs  "), OutputItem::of(85),
                              OutputItem::of("Rb  "), OutputItem::of(1.5647),
                              OutputItem::of(-12345.678905), OutputItem::of(0.000012)});
  EXPECT_EQ(file_bytes(), "        133Cs  -  85Rb  * 1.565 =   -12345.67891 (  0.00001)\r\n");
}

// The literals after the last field belong to end_write; a writer that only
// applied descriptors before fields would lose " micro-u".
TEST_F(WriteStatement, MicroURecordEndsWithItsTrailingLiteral) {
  write_fixed(micro_u_list, {OutputItem::of(133), OutputItem::of("Cs  "),
                             OutputItem::of(-94548.173901), OutputItem::of(0.012856)});
  const std::string line = "              133Cs   =  -94548.173901 +/-   0.012856 micro-u";
  EXPECT_EQ(line.size(), 61u);
  EXPECT_EQ(file_bytes(), line + "\r\n");
}

// Two skips in a row add up; the final record break gives one empty record,
// and reaching the end of the list does not end a third.
TEST_F(WriteStatement, KevRecordThenOneEmptyRecord) {
  write_fixed(kev_list, {OutputItem::of(-88071.057059), OutputItem::of(0.011975)});
  const std::string line = "                      =  -88071.057059 +/-   0.011975 keV";
  EXPECT_EQ(line.size(), 57u);
  EXPECT_EQ(file_bytes(), line + "\r\n\r\n");
}

// A list without fields is applied whole by end_write; column 1 is data.
TEST_F(WriteStatement, ClosingRecordsAreWrittenWhole) {
  write_fixed(failure_closing_list, {});
  write_fixed(normal_closing_list, {});
  EXPECT_EQ(file_bytes(),
            "0Error in File Reading\r\n"
            "0Normal End of Freq.Ratios to Equations Conversion\r\n");
}

// The free-form text: one leading blank, no quotes, trailing blanks kept.
TEST_F(WriteStatement, FreeFormWarningIsABlankAndTheText) {
  write_free({warning_text});
  const std::string expected = " " + std::string(warning_text) + "\r\n";
  EXPECT_EQ(expected.size(), 43u);
  EXPECT_EQ(file_bytes(), expected);
}

// Consecutive text items follow each other without a blank between them.
TEST_F(WriteStatement, FreeFormTextsFollowEachOther) {
  write_free({"ab  ", "cd"});
  EXPECT_EQ(file_bytes(), " ab  cd\r\n");
}

// A whole measurement group and the closing record: statements must not
// leak a place in the list, a position or a flag into the next one.
TEST_F(WriteStatement, GroupOfTheWorkedExampleAndClosing) {
  write_free({warning_text});
  write_fixed(equation_list, {OutputItem::of(133), OutputItem::of("Cs  "), OutputItem::of(85),
                              OutputItem::of("Rb  "), OutputItem::of(1.5647),
                              OutputItem::of(43501.02385), OutputItem::of(0.0102)});
  write_fixed(micro_u_list, {OutputItem::of(133), OutputItem::of("Cs  "),
                             OutputItem::of(-94548.173901), OutputItem::of(0.012856)});
  write_fixed(kev_list, {OutputItem::of(-88071.057059), OutputItem::of(0.011975)});
  write_fixed(normal_closing_list, {});
  EXPECT_EQ(file_bytes(),
            " WARNING : el.+mol. binding en. not found\r\n"
            "        133Cs  -  85Rb  * 1.565 =    43501.02385 (  0.01020)\r\n"
            "              133Cs   =  -94548.173901 +/-   0.012856 micro-u\r\n"
            "                      =  -88071.057059 +/-   0.011975 keV\r\n"
            "\r\n"
            "0Normal End of Freq.Ratios to Equations Conversion\r\n");
}

// Asterisks keep the field's width, so the columns after it stay put.
TEST_F(WriteStatement, ValuesTooWideKeepTheColumns) {
  write_fixed(equation_list,
              {OutputItem::of(1234567), OutputItem::of("Cs  "), OutputItem::of(-1000),
               OutputItem::of("Rb  "), OutputItem::of(-12.3456), OutputItem::of(1e9),
               OutputItem::of(-100.0)});
  EXPECT_EQ(file_bytes(), "     ******Cs  -****Rb  ******* =*************** (*********)\r\n");
}

// ---------------------------------------------------------------------------
// Skips, record breaks and the end of the list

// A skip after which nothing is stored adds nothing; a skip before a
// literal becomes blanks.
TEST_F(WriteStatement, SkipsOnlyBecomeBlanksBeforeAStoredCharacter) {
  constexpr EditDescriptor trailing[] = {rio::literal("ab"), rio::skip(5)};
  constexpr EditDescriptor leading[] = {rio::skip(3), rio::literal("x")};
  constexpr EditDescriptor only[] = {rio::skip(7)};
  write_fixed(trailing, {});
  write_fixed(leading, {});
  write_fixed(only, {});
  EXPECT_EQ(file_bytes(), "ab\r\n   x\r\n\r\n");
}

// A record break in the middle ends the record built so far and the next
// field starts a fresh one at column 1.
TEST_F(WriteStatement, RecordBreakBetweenFields) {
  constexpr EditDescriptor list[] = {rio::integer(3), rio::record_break(), rio::skip(2),
                                     rio::integer(3), rio::record_break(), rio::record_break()};
  write_fixed(list, {OutputItem::of(1), OutputItem::of(2)});
  EXPECT_EQ(file_bytes(), "  1\r\n    2\r\n\r\n\r\n");
}

// Items left when the list is used up start a new record and the list
// again from its first descriptor.
TEST_F(WriteStatement, ListUsedUpStartsAgainOnANewRecord) {
  constexpr EditDescriptor list[] = {rio::literal("<"), rio::integer(2), rio::literal(">")};
  write_fixed(list, {OutputItem::of(1), OutputItem::of(2), OutputItem::of(3)});
  EXPECT_EQ(file_bytes(), "< 1>\r\n< 2>\r\n< 3>\r\n");
}

// end_write stops at the first field it meets: the literal after an unused
// field must not be written.
TEST_F(WriteStatement, EndStopsAtTheFirstUnusedField) {
  constexpr EditDescriptor list[] = {rio::integer(3), rio::literal(" x"), rio::integer(3),
                                     rio::literal(" y")};
  write_fixed(list, {OutputItem::of(1)});
  EXPECT_EQ(file_bytes(), "  1 x\r\n");
}

// A record far longer than a block and than the record's first allocation
// is written whole, and the record after it is intact.
TEST_F(WriteStatement, LongRecordsCrossBlocks) {
  const std::string long_text(20000, 'q');
  constexpr EditDescriptor list[] = {rio::character()};
  write_fixed(list, {OutputItem::of(std::string_view(long_text))});
  write_fixed(failure_closing_list, {});
  EXPECT_EQ(file_bytes(), long_text + "\r\n0Error in File Reading\r\n");
}

// Many records: the block buffer fills several times; every byte of every
// record must arrive once and in order.
TEST_F(WriteStatement, ManyRecordsArriveInOrder) {
  constexpr EditDescriptor list[] = {rio::integer(6), rio::real(15, 5)};
  std::string expected;
  for (std::int32_t i = 0; i < 2000; ++i) {
    write_fixed(list, {OutputItem::of(i), OutputItem::of(i * 0.5)});
    std::string number = std::to_string(i);
    std::string field = std::string(6 - number.size(), ' ') + number;
    std::string value = std::to_string(i / 2) + (i % 2 == 0 ? ".00000" : ".50000");
    expected += field + std::string(15 - value.size(), ' ') + value + "\r\n";
  }
  EXPECT_EQ(file_bytes(), expected);
}

// ---------------------------------------------------------------------------
// Conditions

// A field applied to an item of another kind is 10022; with an error branch
// the statement returns failure and leaves nothing of its record behind.
TEST_F(WriteStatement, WrongItemKindIsConditionWithErrorBranch) {
  constexpr EditDescriptor list[] = {rio::literal("abc"), rio::integer(3)};
  std::int32_t status = 77;
  StatementRequest request;
  request.unit = 1;
  request.format = list;
  request.error_branch = true;
  request.status = &status;
  ASSERT_EQ(rio::begin_write(request), Outcome::success);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(rio::write_item(request, OutputItem::of(1.5)), Outcome::failure);
  EXPECT_EQ(status, 10022);
  // The next statement writes normally.
  write_fixed(failure_closing_list, {});
  EXPECT_EQ(file_bytes(), "0Error in File Reading\r\n");
}

// With only a status variable the condition is recorded, and the remaining
// item and end calls do nothing and succeed.
TEST_F(WriteStatement, WrongItemKindIsRecordedInTheStatusVariable) {
  constexpr EditDescriptor list[] = {rio::character(4), rio::literal("!")};
  std::int32_t status = 0;
  StatementRequest request;
  request.unit = 1;
  request.format = list;
  request.status = &status;
  ASSERT_EQ(rio::begin_write(request), Outcome::success);
  EXPECT_EQ(rio::write_item(request, OutputItem::of(5)), Outcome::recorded);
  EXPECT_EQ(status, 10022);
  EXPECT_EQ(rio::write_item(request, OutputItem::of("text")), Outcome::success);
  EXPECT_EQ(rio::end_write(request), Outcome::success);
  EXPECT_EQ(file_bytes(), "");
}

// An item for a list that has no field at all would make the writer go
// round the list for ever; it is refused instead.
TEST_F(WriteStatement, ItemForAListWithoutFieldsIsRefused) {
  constexpr EditDescriptor list[] = {rio::literal("x"), rio::record_break()};
  std::int32_t status = 0;
  StatementRequest request;
  request.unit = 1;
  request.format = list;
  request.error_branch = true;
  request.status = &status;
  ASSERT_EQ(rio::begin_write(request), Outcome::success);
  EXPECT_EQ(rio::write_item(request, OutputItem::of(1)), Outcome::failure);
  EXPECT_EQ(status, 10022);
}

// A number in a free-form write has no layout here; it is refused rather
// than written in some invented form.
TEST_F(WriteStatement, FreeFormNumberIsRefused) {
  std::int32_t status = 0;
  StatementRequest request;
  request.unit = 1;
  request.transfer = Transfer::free_form;
  request.error_branch = true;
  request.status = &status;
  ASSERT_EQ(rio::begin_write(request), Outcome::success);
  EXPECT_EQ(rio::write_item(request, OutputItem::of(3)), Outcome::failure);
  EXPECT_EQ(status, 10022);
  EXPECT_EQ(file_bytes(), "");
}

// A write to a unit that is not connected returns the unit condition; the
// calls a careless caller makes after it must not write anywhere.
TEST_F(WriteStatement, UnconnectedUnitIsReportedAndNothingIsWritten) {
  std::int32_t status = 0;
  StatementRequest request;
  request.unit = 42;
  request.format = failure_closing_list;
  request.error_branch = true;
  request.status = &status;
  EXPECT_EQ(rio::begin_write(request), Outcome::failure);
  EXPECT_EQ(status, 10029);
  EXPECT_EQ(rio::write_item(request, OutputItem::of(1)), Outcome::success);
  EXPECT_EQ(rio::end_write(request), Outcome::success);
  EXPECT_EQ(file_bytes(), "");
}

// The status variable is set to 0 when a write begins and stays 0 after a
// write that succeeds.
TEST_F(WriteStatement, StatusVariableIsZeroAfterASuccessfulWrite) {
  std::int16_t status = 1234;
  StatementRequest request;
  request.unit = 1;
  request.format = failure_closing_list;
  request.status = &status;
  request.status_width = 2;
  ASSERT_EQ(rio::begin_write(request), Outcome::success);
  ASSERT_EQ(rio::end_write(request), Outcome::success);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(request.kind, StatementKind::rewind);
}

}  // namespace
