// fast_path_taken_test.cpp - each fast road is still taken by work of the
// program's shape.
//
// The differential tests hold every fast road to the general one's bytes
// and values; they cannot see a road that is no longer taken at all, which
// costs only speed. These run the converter's kind of statements on a
// layer that counts its fast roads and expect each count to grow by what
// the work should give it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

#include "conversion/equation_formats.h"
#include "recordio/compiled_fields.h"
#include "recordio/decimal_digits.h"
#include "recordio/fast_path_counts.h"
#include "recordio/input_editing.h"
#include "recordio/output_editing.h"
#include "recordio/output_fields.h"
#include "recordio/prepared_format.h"
#include "tests/recordio/layer_fixture.h"

namespace {

namespace rio = recordio;
using rio::FastPath;

constexpr std::size_t statements = 1000;

constexpr rio::PreparedFormat equation_layout{conversion::equation_list};
constexpr rio::PreparedFormat equation_format = rio::compiled_for_writing<equation_layout>();

// A line of the measurements file: I4, A4, I4, F19.8, A2, F13.8.
constexpr rio::EditDescriptor line_list[] = {rio::integer(4),  rio::character(4), rio::integer(4),
                                             rio::real(19, 8), rio::character(2), rio::real(13, 8)};
constexpr rio::PreparedFormat line_layout{line_list};
constexpr rio::PreparedFormat line_format = rio::compiled_for_reading<line_layout>();

// Counts taken by the work between construction and `taken`.
class Counted {
 public:
  Counted() : before_(rio::fast_path_counts()) {}
  std::uint64_t taken(FastPath path) const {
    const auto k = static_cast<std::size_t>(path);
    return rio::fast_path_counts()[k] - before_[k];
  }

 private:
  rio::FastPathCounts before_;
};

class FastPathTaken : public testing_support::LayerTest {};

TEST_F(FastPathTaken, EquationRecordsTakeTheLaidOutCompiledWriteAndTheWordFields) {
  ASSERT_EQ(connect(1, "equations.out", "new"), 0);
  const Counted counted;
  for (std::size_t i = 0; i < statements; ++i) {
    rio::StatementRequest request;
    request.unit = 1;
    rio::use_format(request, equation_format);
    const rio::OutputItem items[] = {rio::OutputItem::of(133 + static_cast<std::int32_t>(i % 8)),
                                     rio::OutputItem::of("Cs  "),
                                     rio::OutputItem::of(85),
                                     rio::OutputItem::of("Rb  "),
                                     rio::OutputItem::of(1.5647),
                                     rio::OutputItem::of(43501.02385 + static_cast<double>(i)),
                                     rio::OutputItem::of(0.0102)};
    ASSERT_EQ(rio::begin_write(request), rio::Outcome::success);
    ASSERT_EQ(rio::write_items(request, items), rio::Outcome::success);
    ASSERT_EQ(rio::end_write(request), rio::Outcome::success);
  }
  // Every statement but those whose record would cross a block's end.
  const std::uint64_t laid_out = counted.taken(FastPath::laid_out_write);
  EXPECT_GT(laid_out, statements * 98 / 100);
  EXPECT_EQ(counted.taken(FastPath::compiled_write), laid_out);
  EXPECT_EQ(counted.taken(FastPath::small_integer), 2 * statements);
  EXPECT_EQ(counted.taken(FastPath::real_in_words), 3 * statements);
  EXPECT_EQ(release(1), 0);
}

// Fields wider than sixteen columns, as the measurements file has them.
TEST(FastPathTakenByField, WideRealFieldsTakeTheShownDigits) {
  const Counted counted;
  rio::DigitString digits;
  for (std::size_t i = 0; i < statements; ++i) {
    char field[19];
    std::fill(std::begin(field), std::end(field), ' ');
    rio::edit_real(field, -88070.94312345 + 0.001 * static_cast<double>(i), 19, 8, digits);
  }
  EXPECT_EQ(counted.taken(FastPath::real_from_shown_digits), statements);
}

TEST_F(FastPathTaken, MeasurementLinesTakeTheCompiledReadAndThePlainFields) {
  std::string lines;
  for (std::size_t i = 0; i < statements; ++i) {
    // " 133" "Cs  " "   1" "    -88070.94312345" " i" "   0.00812345"
    lines += " 133Cs     1    -88070.94312345 i   0.00812345\n";
  }
  dir_.write("lines.in", lines);
  ASSERT_EQ(connect(1, "lines.in"), 0);
  const Counted counted;
  for (std::size_t i = 0; i < statements; ++i) {
    std::int32_t a = 0;
    std::int32_t charge = 0;
    double value = 0;
    double sigma = 0;
    char symbol[4];
    char flag[2];
    const rio::InputItem items[] = {rio::InputItem::of(a),         rio::InputItem::text(symbol, 4),
                                    rio::InputItem::of(charge),    rio::InputItem::of(value),
                                    rio::InputItem::text(flag, 2), rio::InputItem::of(sigma)};
    rio::StatementRequest request;
    request.unit = 1;
    rio::use_format(request, line_format);
    ASSERT_EQ(rio::begin_read(request), rio::Outcome::success);
    ASSERT_EQ(rio::read_items(request, items), rio::Outcome::success);
    ASSERT_EQ(rio::end_read(request), rio::Outcome::success);
    ASSERT_EQ(a, 133);
    ASSERT_EQ(charge, 1);
  }
  EXPECT_EQ(counted.taken(FastPath::compiled_read), statements);
  EXPECT_EQ(counted.taken(FastPath::plain_integer), 2 * statements);
  EXPECT_EQ(counted.taken(FastPath::whole_character_field), 2 * statements);
  EXPECT_EQ(counted.taken(FastPath::right_aligned_real), 2 * statements);
#if defined(__SSE2__)
  // Each line's LF is found by a sixteen-byte step, but where it falls in a
  // block's last few bytes.
  EXPECT_GT(counted.taken(FastPath::line_scan_in_words), statements * 9 / 10);
#endif
  EXPECT_EQ(release(1), 0);
}

// A real field too narrow for the two words: its digits in one run.
TEST_F(FastPathTaken, NarrowRealFieldsTakeTheDigitRun) {
  std::string lines;
  for (std::size_t i = 0; i < statements; ++i) lines += " 12.5\n";
  dir_.write("narrow.in", lines);
  ASSERT_EQ(connect(1, "narrow.in"), 0);
  const rio::EditDescriptor list[] = {rio::real(5, 2)};
  const Counted counted;
  for (std::size_t i = 0; i < statements; ++i) {
    double value = 0;
    rio::StatementRequest request;
    request.unit = 1;
    request.format = list;
    ASSERT_EQ(rio::begin_read(request), rio::Outcome::success);
    ASSERT_EQ(rio::read_item(request, rio::InputItem::of(value)), rio::Outcome::success);
    ASSERT_EQ(rio::end_read(request), rio::Outcome::success);
    ASSERT_EQ(value, 12.5);
  }
  EXPECT_EQ(counted.taken(FastPath::plain_real), statements);
  EXPECT_EQ(release(1), 0);
}

}  // namespace
