// fault_pins_test.cpp - statements of the record layer that a one-line
// change of its fast roads once got wrong while every other test passed:
// a ':' read as a digit worth 10, a skip in a read list, a character field
// without a width in a write.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "recordio/conditions.h"
#include "recordio/input_editing.h"
#include "recordio/output_editing.h"
#include "recordio/prepared_format.h"
#include "recordio/statement.h"
#include "tests/recordio/layer_fixture.h"

namespace {

namespace rio = recordio;
using rio::EditDescriptor;
using rio::InputItem;
using rio::Outcome;
using rio::OutputItem;
using rio::StatementRequest;

class LayerPins : public testing_support::LayerTest {
 protected:
  // One fixed-column read of `line` by `format` into `values`, with a
  // status variable; returns the status.
  // The list is handed over laid out, as the programs' constant lists are.
  std::int32_t read_line(const std::string& line, rio::FormatList format, std::int32_t* values,
                         int count) {
    dir_.write("in.txt", line + "\n");
    EXPECT_EQ(connect(3, "in.txt"), 0);
    const rio::PreparedFormat prepared{format};
    std::int32_t status = 0;
    StatementRequest request;
    request.unit = 3;
    request.format = format;
    request.prepared = &prepared;
    request.status = &status;
    rio::begin_read(request);
    for (int i = 0; i < count && status == 0; ++i)
      rio::read_item(request, InputItem::of(values[i]));
    rio::end_read(request);
    release(3);
    return status;
  }

  double read_real(const std::string& field, std::int32_t& status) {
    dir_.write("in.txt", field + "\n");
    EXPECT_EQ(connect(3, "in.txt"), 0);
    const EditDescriptor format[] = {rio::real(static_cast<std::int32_t>(field.size()), 8)};
    double value = -1.0;
    StatementRequest request;
    request.unit = 3;
    request.format = format;
    request.status = &status;
    rio::begin_read(request);
    rio::read_item(request, InputItem::of(value));
    rio::end_read(request);
    release(3);
    return value;
  }

  std::string write_line(rio::FormatList format, const char* text, std::int32_t number) {
    EXPECT_EQ(connect(1, "out.txt", "new"), 0);
    const rio::PreparedFormat prepared{format};
    StatementRequest request;
    request.unit = 1;
    request.format = format;
    request.prepared = &prepared;
    EXPECT_EQ(rio::begin_write(request), Outcome::success);
    EXPECT_EQ(rio::write_item(request, OutputItem::of(text)), Outcome::success);
    EXPECT_EQ(rio::write_item(request, OutputItem::of(number)), Outcome::success);
    EXPECT_EQ(rio::end_write(request), Outcome::success);
    EXPECT_EQ(release(1), 0);
    return dir_.read("out.txt").value_or("<none>");
  }
};

// ':' follows '9' in ASCII: a word-at-a-time digit test that lets it through
// reads a ratio ending in ':' as a number instead of refusing it, and the
// converter would go on where it must end with "Error in File Reading".
TEST_F(LayerPins, ColonInARealFieldIsAnIllegalCharacter) {
  for (const char* field :
       {"    1565221.5368474:", "    1565221.5368:744", "   15652215368474:1", "  12345678:"}) {
    std::int32_t status = 0;
    const double value = read_real(field, status);
    EXPECT_EQ(status, rio::code::illegal_numeric_character) << field;
    EXPECT_EQ(value, -1.0) << field;
  }
  std::int32_t status = 0;
  EXPECT_EQ(read_real("    1565221.53684744", status), 1565221.53684744);
  EXPECT_EQ(status, 0);
}

// A skip between two integer fields of a read list moves the position; the
// field run must not take it for a field of its own (that was 10022).
TEST_F(LayerPins, SkipInAReadListMovesThePosition) {
  constexpr EditDescriptor format[] = {rio::integer(2), rio::skip(1), rio::integer(2)};
  std::int32_t values[2] = {};
  EXPECT_EQ(read_line("12 34", format, values, 2), 0);
  EXPECT_EQ(values[0], 12);
  EXPECT_EQ(values[1], 34);
}

// A character field without a width takes the item's length; written as a
// laid-out field of width 0 its text would be lost.
TEST_F(LayerPins, CharacterFieldWithoutAWidthWritesItsText) {
  constexpr EditDescriptor format[] = {rio::character(), rio::integer(3)};
  EXPECT_EQ(write_line(format, "abc", 7), "abc  7\r\n");
}

}  // namespace
