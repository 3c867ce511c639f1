// conversion_test.cpp - whole runs of the program on files that the bundled
// conformance cases do not cover: wide values, one missing energy, lines
// that end in CR alone, NaN signs, and a disk that fills up at every block
// boundary and inside blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

constexpr const char* table = testing_support::worked_table;
constexpr const char* reference = testing_support::worked_reference;
constexpr const char* measurement = testing_support::worked_measurement;

RunResult run(const ScratchDir& dir, std::optional<std::uint64_t> limit = std::nullopt) {
  RunOptions options;
  options.working_directory = dir.path();
  options.file_size_limit = limit;
  return testing_support::run_program(FREQ2EQUAT_PROGRAM, options);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 2;
  }
  return lines;
}

// A value too wide for its field fills the field with asterisks; the
// columns of the record must not move.
TEST(Conversion, ValuesTooWideKeepTheirColumns) {
  ScratchDir dir;
  dir.write("ionization.data", table);
  dir.write("vemo.freq",
            std::string(reference) + " 133Cs     1  99565221.53684744  1234.00000000\n");
  const auto result = run(dir);
  EXPECT_EQ(result.exit_status, 0);
  const auto lines = lines_of(dir.read("vemo.equat").value());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "        133Cs  -  85Rb  * 1.565 =*************** (*********)");
  EXPECT_EQ(lines[1].size(), 61u);
  EXPECT_EQ(lines[1].substr(23, 15), "***************");
  EXPECT_EQ(lines[1].substr(42, 11), "***********");
  EXPECT_EQ(lines[2].size(), 57u);
  EXPECT_EQ(lines[4], "0Normal End of Freq.Ratios to Equations Conversion");
}

// One ion without an energy drops the whole correction and brings the
// warning, which stands before the equation record.
TEST(Conversion, OneMissingEnergyGivesTheWarning) {
  ScratchDir dir;
  dir.write("ionization.data", "37 Rb 1 4.177\n");
  dir.write("vemo.freq", std::string(reference) + measurement);
  EXPECT_EQ(run(dir).exit_status, 0);
  const auto lines = lines_of(dir.read("vemo.equat").value());
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], " WARNING : el.+mol. binding en. not found");
  EXPECT_EQ(lines[1], "        133Cs  -  85Rb  * 1.565 =    43501.02101 (  0.01020)");
}

// Only "NEW " with a blank in column 8 ends a block: a symbol such as "NEWx"
// is a measurement and must be converted, not taken as a marker.
TEST(Conversion, SymbolBeginningWithNewIsAMeasurement) {
  ScratchDir dir;
  dir.write("ionization.data", table);
  dir.write("vemo.freq",
            std::string(reference) + " 133NEWx    1   1565221.53684744     0.00012000\n");
  EXPECT_EQ(run(dir).exit_status, 0);
  const auto lines = lines_of(dir.read("vemo.equat").value());
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1].substr(0, 16), "        133NEWx-");
  EXPECT_EQ(lines[5], "0Normal End of Freq.Ratios to Equations Conversion");
}

std::string with_line_ends(std::string text, char end) {
  for (char& c : text) {
    if (c == '\n') c = end;
  }
  return text;
}

// A file whose lines end in CR alone has no LF: joining it into one record
// would read its first line and drop the rest while the run reports success.
// Nothing is delivered instead; a last line ending in CR is still one line.
TEST(Conversion, LinesEndingInCarriageReturnAloneAreNotOneRecord) {
  const std::string freq = testing_support::read_file(FREQ2EQUAT_EXAMPLES "/vemo.freq").value();
  const std::string data =
      testing_support::read_file(FREQ2EQUAT_EXAMPLES "/ionization.data").value();
  const auto output_of = [](const std::string& freq_bytes, const std::string& table_bytes) {
    ScratchDir dir;
    dir.write("vemo.freq", freq_bytes);
    dir.write("ionization.data", table_bytes);
    EXPECT_EQ(run(dir).exit_status, 0);
    return dir.read("vemo.equat").value_or("<none>");
  };
  const std::string complete = output_of(freq, data);
  ASSERT_NE(complete.find("micro-u"), std::string::npos);
  EXPECT_EQ(output_of(with_line_ends(freq, '\r'), data), "0Error in File Reading\r\n");
  // The table loads no row: every equation carries the warning.
  EXPECT_EQ(output_of(freq, with_line_ends(data, '\r')), output_of(freq, ""));
  EXPECT_EQ(output_of(freq.substr(0, freq.size() - 1) + "\r", data), complete);
}

// Where two NaN operands meet, the left one as written is passed on: a
// compiler that swapped the operands of the sum under the square root
// printed "NaN" here instead of "-NaN" (U is the processor's default NaN,
// the reference uncertainty a positive one).
TEST(Conversion, NaNSignsAreTheSameInEveryBuild) {
  ScratchDir dir;
  dir.write("ionization.data", table);
  dir.write("vemo.freq",
            "  85Rb     1    -88210.35000000            NAN\n"
            " 133Cs     0   1565221.53684744            INF\n");
  EXPECT_EQ(run(dir).exit_status, 0);
  EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"),
            " WARNING : el.+mol. binding en. not found\r\n"
            "        133Cs  -  85Rb  * 1.565 =*************** (     -NaN)\r\n"
            "              133Cs   =*************** +/-       -NaN micro-u\r\n"
            "                      =*************** +/-       -NaN keV\r\n"
            "\r\n"
            "0Normal End of Freq.Ratios to Equations Conversion\r\n");
}

class DiskFull : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    input_ = reference;
    for (int i = 0; i < 200; ++i) input_ += measurement;
    ScratchDir dir;
    dir.write("ionization.data", table);
    dir.write("vemo.freq", input_);
    ASSERT_EQ(run(dir).exit_status, 0);
    complete_ = dir.read("vemo.equat").value();
  }
  static std::string input_;
  static std::string complete_;
};
std::string DiskFull::input_;
std::string DiskFull::complete_;

// Whatever the byte at which the disk fills, the run reports it, ends with
// status 255, and leaves exactly a prefix of the complete output: every
// block before the failing one whole, nothing torn out of order or repeated.
TEST_F(DiskFull, AtEveryBlockBoundaryAndInsideBlocks) {
  ASSERT_GT(complete_.size(), 4u * 8192u);
  std::vector<std::uint64_t> limits;
  for (std::uint64_t block = 0; block * 8192 < complete_.size(); ++block) {
    for (std::uint64_t offset : {0ull, 1ull, 100ull, 4096ull, 8191ull}) {
      limits.push_back(block * 8192 + offset);
    }
  }
  for (const std::uint64_t limit : limits) {
    if (limit >= complete_.size()) continue;
    SCOPED_TRACE(limit);
    ScratchDir dir;
    dir.write("ionization.data", table);
    dir.write("vemo.freq", input_);
    const auto result = run(dir, limit);
    EXPECT_EQ(result.exit_status, 255);
    const bool last_block = limit >= complete_.size() / 8192 * 8192;
    EXPECT_EQ(result.standard_error.substr(0, 57),
              "? System Error:\n? There is not enough space on the disk.\n");
    // The last block goes out at the run's stop; the line then names the
    // write of the unit that failed as well.
    EXPECT_EQ(result.standard_error.substr(57), "? WRITE(UNIT=1,...\n") << last_block;
    const std::string file = dir.read("vemo.equat").value();
    EXPECT_GE(file.size(), limit / 8192 * 8192);
    EXPECT_LE(file.size(), limit);
    EXPECT_EQ(complete_.compare(0, file.size(), file), 0);
    EXPECT_EQ(dir.read("vemo.freq").value(), input_);
  }
}

}  // namespace
