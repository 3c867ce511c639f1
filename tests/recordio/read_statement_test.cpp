// read_statement_test.cpp - begin_read, read_item and end_read on real files:
// the measurement line read (fixed-column) and the table row read
// (free-form), their conditions, and hostile input.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/input_editing.h"
#include "recordio/statement.h"
#include "recordio/units.h"
#include "tests/recordio/layer_fixture.h"

namespace {

using recordio::EditDescriptor;
using recordio::InputItem;
using recordio::Outcome;
using recordio::StatementKind;
using recordio::StatementRequest;
using recordio::Transfer;
using testing_support::LayerTest;

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr std::int32_t illegal = recordio::code::illegal_numeric_character;

std::uint64_t bits_of(double value) { return std::bit_cast<std::uint64_t>(value); }

constexpr EditDescriptor measurement_format[] = {
    recordio::integer(4),  recordio::character(4), recordio::integer(4),
    recordio::real(19, 8), recordio::character(2), recordio::real(13, 8),
};

// The six items of a measurement line, filled with markers so that an item
// that receives nothing is seen to keep its contents.
struct Measurement {
  std::int32_t mass = -11;
  char symbol[4] = {'x', 'x', 'x', 'x'};
  std::int32_t charge = -12;
  double ratio = -13.0;
  char flag[2] = {'y', 'y'};
  double uncertainty = -14.0;

  std::string symbol_text() const { return std::string(symbol, 4); }
  std::string flag_text() const { return std::string(flag, 2); }
};

// One table row: atomic number, symbol, charge, energy.
struct Row {
  std::int32_t z = -21;
  char symbol[4] = {'x', 'x', 'x', 'x'};
  std::int32_t charge = -22;
  double energy = -23.0;

  std::string symbol_text() const { return std::string(symbol, 4); }
};

class ReadStatement : public LayerTest {
 protected:
  // Connects `unit` to a file holding `bytes`, with tab stops every 8
  // columns whatever TABSIZE says in this process.
  void file(std::int32_t unit, const std::string& bytes) {
    const std::string name = "in" + std::to_string(unit) + ".txt";
    dir_.write(name, bytes);
    ASSERT_EQ(connect(unit, name), 0);
    recordio::find_unit(unit)->tab_width = 8;
  }

  // The measurement read as the conversion run makes it: error branch, an
  // end-of-file branch except for a block's reference line, and leaving the
  // statement at the first outcome that is not success.
  Outcome read_measurement(Measurement& m, bool end_branch = true) {
    StatementRequest request;
    request.unit = 3;
    request.error_branch = true;
    request.end_branch = end_branch;
    request.format = measurement_format;
    Outcome outcome = recordio::begin_read(request);
    if (outcome != Outcome::success) return outcome;
    const InputItem items[] = {
        InputItem::of(m.mass),  InputItem::text(m.symbol, 4), InputItem::of(m.charge),
        InputItem::of(m.ratio), InputItem::text(m.flag, 2),   InputItem::of(m.uncertainty),
    };
    for (const InputItem& item : items) {
      outcome = recordio::read_item(request, item);
      if (outcome != Outcome::success) return outcome;
    }
    outcome = recordio::end_read(request);
    EXPECT_EQ(request.kind, StatementKind::rewind);
    return outcome;
  }

  // The table read: a status variable only, every step called, the status
  // looked at afterwards. A condition must come back as recorded from the
  // step that met it, and every later step must succeed.
  std::int32_t read_row(Row& row) {
    std::int32_t status = 999;
    StatementRequest request;
    request.unit = 10;
    request.transfer = Transfer::free_form;
    request.status = &status;
    request.status_width = 4;
    std::vector<Outcome> outcomes;
    outcomes.push_back(recordio::begin_read(request));
    outcomes.push_back(recordio::read_item(request, InputItem::of(row.z)));
    outcomes.push_back(recordio::read_item(request, InputItem::text(row.symbol, 4)));
    outcomes.push_back(recordio::read_item(request, InputItem::of(row.charge)));
    outcomes.push_back(recordio::read_item(request, InputItem::of(row.energy)));
    outcomes.push_back(recordio::end_read(request));
    int recorded = 0;
    for (const Outcome outcome : outcomes) {
      EXPECT_TRUE(outcome == Outcome::success || outcome == Outcome::recorded);
      if (outcome == Outcome::recorded) ++recorded;
    }
    EXPECT_EQ(recorded, status == 0 ? 0 : 1) << "status " << status;
    EXPECT_EQ(request.statement_failed, status != 0);
    // The current record is empty between statements.
    EXPECT_EQ(recordio::current_record().length(), 0);
    return status;
  }
};

// ---------------------------------------------------------------------------
// Fixed-column: the measurement line

// A measurement line laid out as the (I4,A4,I4,F19.8,A2,F13.8) columns.
std::string fixed_line(const std::string& mass, const std::string& symbol,
                       const std::string& charge, const std::string& ratio, const std::string& flag,
                       const std::string& uncertainty) {
  auto right = [](const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
  };
  auto left = [](const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
  };
  return right(mass, 4) + left(symbol, 4) + right(charge, 4) + right(ratio, 19) + left(flag, 2) +
         right(uncertainty, 13);
}

const std::string good_line = fixed_line("37", "Rb", "1", "1.5", "", "2.5");

struct LineCase {
  const char* name;
  std::string line;
  std::int32_t mass;
  const char* symbol;
  std::int32_t charge;
  double ratio;
  const char* flag;
  double uncertainty;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class ReadMeasurementLine : public ReadStatement, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ReadMeasurementLine, GivesTheSixValues) {
  const LineCase& c = GetParam();
  file(3, c.line + "\n");
  Measurement m;
  ASSERT_EQ(read_measurement(m), Outcome::success);
  EXPECT_EQ(m.mass, c.mass);
  EXPECT_EQ(m.symbol_text(), c.symbol);
  EXPECT_EQ(m.charge, c.charge);
  EXPECT_EQ(bits_of(m.ratio), bits_of(c.ratio)) << m.ratio;
  EXPECT_EQ(m.flag_text(), c.flag);
  EXPECT_EQ(bits_of(m.uncertainty), bits_of(c.uncertainty)) << m.uncertainty;
}

const LineCase line_cases[] = {
    {"with_decimal_points", "  85Rb    1 -82167331.11000000    10.00000000", 85, "Rb  ", 1,
     -82167331.11, "  ", 10.0},
    // The implied point of F19.8 and F13.8 restores the same values.
    {"without_decimal_points", "  85Rb    1  -8216733111000000    1000000000", 85, "Rb  ", 1,
     -82167331.11, "  ", 10.0},
    // A record shorter than its fields reads the rest as blanks.
    {"ends_after_column_31", "  85Rb    1 -82167331.11000000 ", 85, "Rb  ", 1, -82167331.11, "  ",
     0.0},
    {"empty_line", "", 0, "    ", 0, 0.0, "  ", 0.0},
    {"marker_line", "    NEW", 0, "NEW ", 0, 0.0, "  ", 0.0},
    // A tab after the symbol moves the next character to column 9.
    {"tab_after_symbol", "  85Rb\t  1 -82167331.11000000    10.00000000", 85, "Rb  ", 1,
     -82167331.11, "  ", 10.0},
    // A comma ends a numeric field early and is consumed; ",2" leaves an
    // empty last field.
    {"commas_end_numeric_fields", "  8,Rb    1,1.5,  ,2", 8, "Rb  ", 1, 1.5, "  ", 0.0},
    // A lone minus is negative zero in a real field and 0 in an integer one.
    {"lone_minus", "   -Rb     -                  -", 0, "Rb  ", 0, -0.0, "  ", 0.0},
    {"flag_and_quotes_are_data", fixed_line("85", "'B,\"", "1", "1.5", ",*", "0.00000002"), 85,
     "'B,\"", 1, 1.5, ",*", 0.00000002},
    {"implied_point_in_both_reals", fixed_line("7", "Li", "3", "12", "OK", "-5"), 7, "Li  ", 3,
     0.00000012, "OK", -0.00000005},
    // A carriage return before the line feed is dropped, not data.
    {"crlf_line", "  85Rb    1 -82167331.11000000    10.00000000\r", 85, "Rb  ", 1, -82167331.11,
     "  ", 10.0},
};

INSTANTIATE_TEST_SUITE_P(Lines, ReadMeasurementLine, ::testing::ValuesIn(line_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

struct BadLineCase {
  const char* name;
  std::string line;
  int stored;  // how many leading items received values
};

void PrintTo(const BadLineCase& c, std::ostream* out) { *out << c.name; }

class ReadMeasurementBadLine : public ReadStatement,
                               public ::testing::WithParamInterface<BadLineCase> {};

// Bad data is failure for both measurement reads; the failing item and all
// later ones keep their contents, and the next read starts on the next line.
TEST_P(ReadMeasurementBadLine, FailsAndKeepsLaterItems) {
  const BadLineCase& c = GetParam();
  for (const bool end_branch : {false, true}) {
    file(3, c.line + "\n" + good_line + "\n");
    Measurement m;
    EXPECT_EQ(read_measurement(m, end_branch), Outcome::failure);
    EXPECT_EQ(m.mass != -11, c.stored >= 1);
    EXPECT_EQ(m.symbol_text() != "xxxx", c.stored >= 2);
    EXPECT_EQ(m.charge != -12, c.stored >= 3);
    EXPECT_EQ(m.ratio != -13.0, c.stored >= 4);
    EXPECT_EQ(m.flag_text() != "yy", c.stored >= 5);
    EXPECT_EQ(m.uncertainty, -14.0);
    EXPECT_EQ(recordio::current_record().length(), 0);

    Measurement next;
    ASSERT_EQ(read_measurement(next, end_branch), Outcome::success);
    EXPECT_EQ(next.mass, 37);
    EXPECT_EQ(next.uncertainty, 2.5);
    release(3);
  }
}

const BadLineCase bad_line_cases[] = {
    // "1 -8" lands in the charge field when the tab comes too early.
    {"tab_moves_digits_into_charge", "  85Rb\t1 -82167331.11000000", 2},
    {"letter_in_mass_column", "NEW ", 0},
    {"decimal_point_in_integer", " 8.5Rb", 0},
    {"letter_in_ratio", "  85Rb    1       1.5x", 3},
    {"letter_in_uncertainty", fixed_line("85", "Rb", "1", "1.5", "", "1.0q"), 5},
    {"nul_in_integer", std::string("  8\0Rb", 6), 0},
    {"ctrl_z_in_ratio", "  85Rb    1     1.5\x1a", 3},
    {"binary_bytes_in_charge", "  85Rb  \x80\xff\x01\x02", 2},
};

INSTANTIATE_TEST_SUITE_P(Lines, ReadMeasurementBadLine, ::testing::ValuesIn(bad_line_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

// End of file at the reference read (error branch only) is failure; with
// an end-of-file branch it is end of file; and it stays so on every read.
TEST_F(ReadStatement, EndOfFileAtTheFirstRecord) {
  file(3, good_line + "\n");
  Measurement m;
  ASSERT_EQ(read_measurement(m), Outcome::success);
  Measurement after;
  EXPECT_EQ(read_measurement(after, /*end_branch=*/false), Outcome::failure);
  EXPECT_EQ(read_measurement(after, /*end_branch=*/true), Outcome::end_of_file);
  EXPECT_EQ(read_measurement(after, /*end_branch=*/true), Outcome::end_of_file);
  EXPECT_EQ(after.mass, -11);
}

// Whatever a line holds after the last field is dropped: each statement
// reads exactly one line.
TEST_F(ReadStatement, EachFixedColumnReadTakesOneLine) {
  file(3, fixed_line("1", "Rb", "2", "3.0", "", "4.0") + " and more text 99\n   5\n");
  Measurement m;
  ASSERT_EQ(read_measurement(m), Outcome::success);
  EXPECT_EQ(m.mass, 1);
  ASSERT_EQ(read_measurement(m), Outcome::success);
  EXPECT_EQ(m.mass, 5);
  EXPECT_EQ(m.symbol_text(), "    ");
}

// A format list used up while items remain starts over on the next record;
// skips move the position and a record break reads the next record.
TEST_F(ReadStatement, FormatListReversionSkipsAndRecordBreaks) {
  file(3, "12xx34\n56\n78\n");
  constexpr EditDescriptor format[] = {recordio::integer(2), recordio::skip(2),
                                       recordio::integer(2), recordio::record_break(),
                                       recordio::integer(2)};
  StatementRequest request;
  request.unit = 3;
  request.error_branch = true;
  request.format = format;
  std::int32_t values[4] = {};
  ASSERT_EQ(recordio::begin_read(request), Outcome::success);
  for (std::int32_t& value : values) {
    ASSERT_EQ(recordio::read_item(request, InputItem::of(value)), Outcome::success);
  }
  ASSERT_EQ(recordio::end_read(request), Outcome::success);
  EXPECT_EQ(values[0], 12);
  EXPECT_EQ(values[1], 34);
  EXPECT_EQ(values[2], 56);
  EXPECT_EQ(values[3], 78);
}

// An item whose type does not match its descriptor, or a list without any
// data descriptor (which would be walked forever), is condition 10022.
TEST_F(ReadStatement, DescriptorMismatchIsACondition) {
  file(3, "12\n12\n");
  constexpr EditDescriptor no_data[] = {recordio::skip(1)};
  for (const bool empty_list : {true, false}) {
    std::int32_t status = 0;
    StatementRequest request;
    request.unit = 3;
    request.status = &status;
    if (empty_list)
      request.format = no_data;
    else
      request.format = measurement_format;
    double value = 1.0;
    ASSERT_EQ(recordio::begin_read(request), Outcome::success);
    EXPECT_EQ(recordio::read_item(request, InputItem::of(value)), Outcome::recorded);
    EXPECT_EQ(recordio::end_read(request), Outcome::success);
    EXPECT_EQ(status, recordio::code::type_does_not_match_descriptor);
    EXPECT_EQ(value, 1.0);
  }
}

// A 100000-character field is taken whole from a 100000-column record.
TEST_F(ReadStatement, VeryLongFixedColumnField) {
  file(3, std::string(99990, ' ') + "1234567890\n");
  constexpr EditDescriptor format[] = {recordio::integer(100000)};
  StatementRequest request;
  request.unit = 3;
  request.error_branch = true;
  request.format = format;
  std::int32_t value = 0;
  ASSERT_EQ(recordio::begin_read(request), Outcome::success);
  ASSERT_EQ(recordio::read_item(request, InputItem::of(value)), Outcome::success);
  ASSERT_EQ(recordio::end_read(request), Outcome::success);
  EXPECT_EQ(value, 1234567890);
}

// ---------------------------------------------------------------------------
// Free-form: the table row

struct RowCase {
  const char* name;
  std::string text;     // the file, up to and including the row under test
  std::int32_t status;  // after the row
  std::int32_t z;
  const char* symbol;
  std::int32_t charge;
  double energy;
};

void PrintTo(const RowCase& c, std::ostream* out) { *out << c.name; }

class ReadTableRow : public ReadStatement, public ::testing::WithParamInterface<RowCase> {};

TEST_P(ReadTableRow, GivesTheRow) {
  const RowCase& c = GetParam();
  file(10, c.text);
  Row row;
  EXPECT_EQ(read_row(row), c.status);
  EXPECT_EQ(row.z, c.z);
  EXPECT_EQ(row.symbol_text(), c.symbol);
  EXPECT_EQ(row.charge, c.charge);
  EXPECT_EQ(bits_of(row.energy), bits_of(c.energy)) << row.energy;
}

// Unchanged items show the markers -21, "xxxx", -22 and -23.
const RowCase row_cases[] = {
    {"blanks", "37 Rb 1 4.177\n", 0, 37, "Rb  ", 1, 4.177},
    {"commas_and_quotes", "37,'Rb',1,4.177\n", 0, 37, "Rb  ", 1, 4.177},
    {"row_over_two_lines", "37 Rb\n1 4.177\n", 0, 37, "Rb  ", 1, 4.177},
    {"fifth_value_dropped", "37 Rb 1 4.177 99\n", 0, 37, "Rb  ", 1, 4.177},
    {"blank_lines_passed_over", "\n   \n\t\n37\n\nRb 1\n\n 4.177\n", 0, 37, "Rb  ", 1, 4.177},
    // A comma at the start of a line separates the value that ended the line
    // before from the next one; it is not a null.
    {"comma_starts_next_line", "37 Rb\n, 1 4.177\n", 0, 37, "Rb  ", 1, 4.177},
    // ...and with nothing behind it on its line, the search goes on below.
    {"comma_alone_on_a_line", "37 Rb\n,\n1 4.177\n", 0, 37, "Rb  ", 1, 4.177},
    {"comma_and_blanks_then_blank_line", "37 Rb\n  ,   \n\n  1 4.177\n", 0, 37, "Rb  ", 1, 4.177},
    {"comma_alone_then_quoted_text", "37\n,\n'Rb' 1 4.177\n", 0, 37, "Rb  ", 1, 4.177},
    // Blanks around a comma make one separator.
    {"blanks_around_commas", "37 , Rb ,1 ,  4.177\n", 0, 37, "Rb  ", 1, 4.177},
    {"null_symbol", "37,,1,4.177\n", 0, 37, "xxxx", 1, 4.177},
    {"slash_ends_values", "37 Rb /\n1 4.177\n", 0, 37, "Rb  ", -22, -23.0},
    {"slash_after_value", "37 Rb/ 1 4.177\n", 0, 37, "Rb  ", -22, -23.0},
    {"slash_on_the_next_line", "37 Rb\n/\n1 4.177\n", 0, 37, "Rb  ", -22, -23.0},
    {"integer_with_point_is_illegal", "37 Rb 1.5 4.177\n", illegal, 37, "Rb  ", -22, -23.0},
    {"end_of_file_inside_row", "37 Rb 1\n", -1, 37, "Rb  ", 1, -23.0},
    {"end_of_file_before_row", "", -1, -21, "xxxx", -22, -23.0},
    {"end_of_file_after_blank_lines", "\n\n  \n", -1, -21, "xxxx", -22, -23.0},
    {"doubled_quote", "8 'O''Br' 1 2.5\n", 0, 8, "O'Br", 1, 2.5},
    {"empty_quotes_blank_the_text", "8 '' 1 2.5\n", 0, 8, "    ", 1, 2.5},
    {"quotation_marks", "8 \"Br\" 1 2.5\n", 0, 8, "Br  ", 1, 2.5},
    {"other_quote_inside", "8 \"O'B\" 1 2.5\n", 0, 8, "O'B ", 1, 2.5},
    {"quoted_value_continued", "8 'B\nr' 1 2.5\n", 0, 8, "Br  ", 1, 2.5},
    {"quoted_blanks_and_commas", "8 ' ,/' 1 2.5\n", 0, 8, " ,/ ", 1, 2.5},
    {"quoted_value_cut", "8 'Rbxyz' 1 2.5\n", 0, 8, "Rbxy", 1, 2.5},
    {"quote_in_a_number_is_illegal", "'8' Rb 1 2.5\n", illegal, -21, "xxxx", -22, -23.0},
    {"unquoted_text_cut", "8 Rbxyz 1 2.5\n", 0, 8, "Rbxy", 1, 2.5},
    {"real_forms", "8 Rb 1 4177e-3\n", 0, 8, "Rb  ", 1, 4.177},
    {"real_d_exponent", "8 Rb 1 4.177D0\n", 0, 8, "Rb  ", 1, 4.177},
    {"real_leading_point", "8 Rb 1 .5\n", 0, 8, "Rb  ", 1, 0.5},
    {"real_trailing_point", "8 Rb 1 5.\n", 0, 8, "Rb  ", 1, 5.0},
    {"integer_plus_sign", "+37 Rb -1 5\n", 0, 37, "Rb  ", -1, 5.0},
    {"real_with_letter", "8 Rb 1 4.1x\n", illegal, 8, "Rb  ", 1, -23.0},
    {"real_infinity_word", "8 Rb 1 inf\n", illegal, 8, "Rb  ", 1, -23.0},
    // Repeat counts: the blank after the asterisk makes no null values.
    {"repeat_with_blank", "37 Rb 2* 5\n", 0, 37, "Rb  ", 5, 5.0},
    {"repeat_without_blank", "37 Rb 2*5\n", 0, 37, "Rb  ", 5, 5.0},
    {"repeat_over_line_end", "37 Rb 2*\n\n 5\n", 0, 37, "Rb  ", 5, 5.0},
    {"repeat_of_nulls", "3*, 4.5\n", 0, -21, "xxxx", -22, 4.5},
    {"repeat_of_nulls_without_comma_after", "37 2*,4.5\n", 0, 37, "xxxx", -22, 4.5},
    {"zero_repeat_is_one", "0*5 Rb 1 2\n", 0, 5, "Rb  ", 1, 2.0},
    {"one_repeat_is_one", "1*5 Rb 1 2\n", 0, 5, "Rb  ", 1, 2.0},
    {"repeat_into_every_type", "4*7\n", 0, 7, "7   ", 7, 7.0},
    {"repeat_of_quoted_text", "8 2*'Rb'\n", illegal, 8, "Rb  ", -22, -23.0},
    {"repeat_of_slash", "37 3*/\n", 0, 37, "xxxx", -22, -23.0},
    // Counts beyond 32 bits wrap like an integer field: 2^32 is 0, one use.
    {"huge_repeat_wraps_to_zero", "4294967296*5 Rb 1 2\n", 0, 5, "Rb  ", 1, 2.0},
    {"huge_repeat_wraps_positive", "99999999999*5\n", 0, 5, "5   ", 5, 5.0},
    {"huge_repeat_wraps_negative", "2147483648*5 Rb 1 2\n", 0, 5, "Rb  ", 1, 2.0},
    // (10^5000 - 1) modulo 2^32 is -1: one use.
    {"repeat_of_many_digits", std::string(5000, '9') + "*5 Rb 1 2\n", 0, 5, "Rb  ", 1, 2.0},
    // The record-end flag stays set until the statement ends (37 Rb, then
    // "1 ,,4.177": the first comma separates, as after Rb).
    {"record_end_flag_kept_in_statement", "37 Rb\n1 ,,4.177\n", 0, 37, "Rb  ", 1, 4.177},
    {"no_flag_on_one_line", "37 Rb 1 ,,4.177\n", 0, 37, "Rb  ", 1, -23.0},
    // A value that ended at a blank sets no flag, so the comma is a null.
    {"trailing_blank_then_comma_is_null", "37 Rb \n,1 4.177\n", 0, 37, "Rb  ", -22, 1.0},
    // Bytes that are not characters of a number are data in text values.
    {"binary_bytes_in_text", "37 \x80\xff\x01\x7f 1 2\n", 0, 37, "\x80\xff\x01\x7f", 1, 2.0},
    {"ctrl_z_in_text", "37 R\x1a 1 2\n", 0, 37, "R\x1a  ", 1, 2.0},
    {"binary_byte_in_integer", "\x80 Rb 1 2\n", illegal, -21, "xxxx", -22, -23.0},
    {"ctrl_z_after_real", "37 Rb 1 2\x1a\n", illegal, 37, "Rb  ", 1, -23.0},
    {"ctrl_z_alone", "\x1a\n", illegal, -21, "xxxx", -22, -23.0},
    // An unterminated quote runs into end of file.
    {"unterminated_quote", "37 'Rb 1 2\n", -1, 37, "xxxx", -22, -23.0},
    {"unterminated_quote_over_lines", "37 'Rb\n1\n2\n", -1, 37, "xxxx", -22, -23.0},
    {"unterminated_quote_no_line_end", "37 'Rb 1 2", -1, 37, "xxxx", -22, -23.0},
};

INSTANTIATE_TEST_SUITE_P(Rows, ReadTableRow, ::testing::ValuesIn(row_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

// NUL bytes from the file are data in a text value and illegal in a number.
TEST_F(ReadStatement, NulBytesInFreeFormValues) {
  constexpr char bytes[] =
      "37 R\0b 1 2\n3\0"
      "7 Rb 1 2\n";
  file(10, std::string(bytes, sizeof bytes - 1));
  Row row;
  EXPECT_EQ(read_row(row), 0);
  EXPECT_EQ(row.symbol_text(), std::string("R\0b ", 4));
  Row bad;
  EXPECT_EQ(read_row(bad), illegal);
  EXPECT_EQ(bad.z, -21);
}

// Rows are read one statement after another: each begins on a new line,
// the rest of the line a row came from is dropped, and a failed row does not
// spoil the next one.
TEST_F(ReadStatement, TableRowsInSequence) {
  file(10,
       "1 H 1 13.598\n"
       "37 Rb 1.5 4.177\n"
       "2 He\n1 24.587 99 98\n"
       "3 Li 1 5.39\n");
  Row row;
  EXPECT_EQ(read_row(row), 0);
  EXPECT_EQ(row.z, 1);
  EXPECT_EQ(row.energy, 13.598);
  Row bad;
  EXPECT_EQ(read_row(bad), illegal);
  EXPECT_EQ(bad.z, 37);
  EXPECT_EQ(bad.charge, -22);
  Row second;
  EXPECT_EQ(read_row(second), 0);
  EXPECT_EQ(second.symbol_text(), "He  ");
  EXPECT_EQ(second.energy, 24.587);
  Row third;
  EXPECT_EQ(read_row(third), 0);
  EXPECT_EQ(third.z, 3);
  Row after;
  EXPECT_EQ(read_row(after), -1);
  EXPECT_EQ(read_row(after), -1);
}

// The record-end flag does not outlive its statement: a row ending at its
// line end followed by a row that starts with a comma gives a null there.
TEST_F(ReadStatement, RecordEndFlagEndsWithTheStatement) {
  file(10, "1 H 1 13.598\n,Rb 1 4.177\n");
  Row row;
  EXPECT_EQ(read_row(row), 0);
  Row next;
  EXPECT_EQ(read_row(next), 0);
  EXPECT_EQ(next.z, -21);
  EXPECT_EQ(next.symbol_text(), "Rb  ");
  EXPECT_EQ(next.energy, 4.177);
}

// A pending repeat does not leak into the next statement either.
TEST_F(ReadStatement, RepeatCounterStartsAtZero) {
  file(10, "1 H 1 5*2\n7 Li 1 5.39\n");
  Row row;
  EXPECT_EQ(read_row(row), 0);
  EXPECT_EQ(row.energy, 2.0);
  Row next;
  EXPECT_EQ(read_row(next), 0);
  EXPECT_EQ(next.z, 7);
  EXPECT_EQ(next.symbol_text(), "Li  ");
}

// Values of any length are taken whole: 100000 characters, unquoted and
// quoted over several lines.
TEST_F(ReadStatement, VeryLongFreeFormValues) {
  const std::string digits = "1" + std::string(99999, '0');
  const std::string quoted = "'" + std::string(50000, 'A') + "\n" + std::string(50000, 'B') + "'";
  file(10, digits + " " + std::string(100000, 'R') + " 1 " + std::string(100000, '9') + "\n" +
               "8 " + quoted + " 2 3\n");
  Row row;
  EXPECT_EQ(read_row(row), 0);
  EXPECT_EQ(row.z, 0);  // 10^99999 is 0 modulo 2^32
  EXPECT_EQ(row.symbol_text(), "RRRR");
  EXPECT_EQ(row.charge, 1);
  EXPECT_EQ(row.energy, infinity);
  Row next;
  EXPECT_EQ(read_row(next), 0);
  EXPECT_EQ(next.symbol_text(), "AAAA");
  EXPECT_EQ(next.charge, 2);
  EXPECT_EQ(next.energy, 3.0);
}

// The status variable is set to 0 when the statement begins, and a read on
// a unit that is not connected comes back as its condition.
TEST_F(ReadStatement, StatusStartsAtZeroAndUnconnectedUnit) {
  std::int32_t status = 555;
  StatementRequest request;
  request.unit = 12;
  request.transfer = Transfer::free_form;
  request.status = &status;
  EXPECT_EQ(recordio::begin_read(request), Outcome::recorded);
  EXPECT_EQ(status, recordio::code::illegal_unit);
  std::int32_t value = 4;
  EXPECT_EQ(recordio::read_item(request, InputItem::of(value)), Outcome::success);
  EXPECT_EQ(recordio::end_read(request), Outcome::success);
  EXPECT_EQ(value, 4);
}

// Free-form end of file comes back as end of file with an end-of-file
// branch and as failure with only an error branch, from read_item.
TEST_F(ReadStatement, FreeFormEndOfFileOutcomes) {
  for (const bool end_branch : {true, false}) {
    file(10, "37 Rb\n");
    StatementRequest request;
    request.unit = 10;
    request.transfer = Transfer::free_form;
    request.error_branch = true;
    request.end_branch = end_branch;
    std::int32_t z = 0;
    char symbol[4];
    std::int32_t charge = -1;
    ASSERT_EQ(recordio::begin_read(request), Outcome::success);
    ASSERT_EQ(recordio::read_item(request, InputItem::of(z)), Outcome::success);
    ASSERT_EQ(recordio::read_item(request, InputItem::text(symbol, 4)), Outcome::success);
    EXPECT_EQ(recordio::read_item(request, InputItem::of(charge)),
              end_branch ? Outcome::end_of_file : Outcome::failure);
    EXPECT_EQ(charge, -1);
    EXPECT_EQ(recordio::current_record().length(), 0);
    release(10);
  }
}

// After a bad value with only an error branch the record is emptied, and
// the next statement reads the next line normally.
TEST_F(ReadStatement, FreeFormFailureWithErrorBranch) {
  file(10, "x Rb 1 2\n5\n");
  StatementRequest request;
  request.unit = 10;
  request.transfer = Transfer::free_form;
  request.error_branch = true;
  std::int32_t z = 3;
  ASSERT_EQ(recordio::begin_read(request), Outcome::success);
  EXPECT_EQ(recordio::read_item(request, InputItem::of(z)), Outcome::failure);
  EXPECT_EQ(z, 3);
  StatementRequest again;
  again.unit = 10;
  again.transfer = Transfer::free_form;
  again.error_branch = true;
  ASSERT_EQ(recordio::begin_read(again), Outcome::success);
  EXPECT_EQ(recordio::read_item(again, InputItem::of(z)), Outcome::success);
  EXPECT_EQ(recordio::end_read(again), Outcome::success);
  EXPECT_EQ(z, 5);
}

}  // namespace
