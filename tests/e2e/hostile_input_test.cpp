// hostile_input_test.cpp - the program on inputs made to break it: huge
// lines, floods of lines and rows, control bytes, invalid UTF-8, every byte
// in every column, absurd numbers, repeat counts and quotes, and tabs under
// every form of TABSIZE. Each run must end with exit status 0, nothing on
// the console and a well-formed vemo.equat (every line CR LF, records of the
// widths their lists fix, one closing record, last), within a few seconds
// and with memory bounded by the longest line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <utility>
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
constexpr const char* normal_end = "0Normal End of Freq.Ratios to Equations Conversion";
constexpr const char* failure_end = "0Error in File Reading";
constexpr const char* warning = " WARNING : el.+mol. binding en. not found";

struct Outcome {
  RunResult result;
  std::string equat;
};

Outcome run(const ScratchDir& dir,
            std::vector<std::pair<std::string, std::optional<std::string>>> environment = {}) {
  RunOptions options;
  options.working_directory = dir.path();
  options.environment = std::move(environment);
  options.timeout_ms = 30000;
  Outcome outcome{testing_support::run_program(FREQ2EQUAT_PROGRAM, options), {}};
  outcome.equat = dir.read("vemo.equat").value_or("<no vemo.equat>");
  return outcome;
}

Outcome run_on(const std::string& freq, const std::string& table_bytes,
               std::vector<std::pair<std::string, std::optional<std::string>>> environment = {}) {
  ScratchDir dir;
  dir.write("vemo.freq", freq);
  dir.write("ionization.data", table_bytes);
  return run(dir, std::move(environment));
}

// Big inputs go straight to the file, so that the test process holds no
// copy of them when it forks the program (its memory counts in the child's
// peak until exec).
void write_repeated(const std::string& path, const std::string& head, const std::string& unit,
                    std::size_t count, const std::string& tail) {
  std::ofstream out(path, std::ios::binary);
  out << head;
  for (std::size_t i = 0; i < count; ++i) out << unit;
  out << tail;
}

std::vector<std::string> records_of(const std::string& file) {
  std::vector<std::string> records;
  std::size_t at = 0;
  while (at < file.size()) {
    const auto end = file.find("\r\n", at);
    if (end == std::string::npos) {
      records.push_back(file.substr(at));
      break;
    }
    records.push_back(file.substr(at, end - at));
    at = end + 2;
  }
  return records;
}

// Every line ends in CR LF, no CR or LF stands anywhere else, every record
// has a width one of the program's lists fixes, and exactly one closing
// record stands, last.
void expect_well_formed(const Outcome& outcome) {
  EXPECT_FALSE(outcome.result.timed_out);
  EXPECT_EQ(outcome.result.exit_status, 0) << outcome.result.standard_error;
  EXPECT_EQ(outcome.result.standard_error, "");
  EXPECT_EQ(outcome.result.standard_output, "");
  const std::string& file = outcome.equat;
  ASSERT_GE(file.size(), 2u);
  EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
  std::size_t crlf = 0;
  for (std::size_t i = 0; i + 1 < file.size(); ++i) crlf += file[i] == '\r' && file[i + 1] == '\n';
  std::size_t cr = 0;
  std::size_t lf = 0;
  for (char c : file) {
    cr += c == '\r';
    lf += c == '\n';
  }
  EXPECT_EQ(cr, crlf);
  EXPECT_EQ(lf, crlf);
  const auto records = records_of(file);
  ASSERT_FALSE(records.empty());
  static const std::set<std::size_t> widths = {0, 22, 41, 50, 57, 60, 61};
  std::size_t closings = 0;
  for (const auto& record : records) {
    EXPECT_TRUE(widths.count(record.size())) << "record of " << record.size() << " columns";
    closings += record == normal_end || record == failure_end;
  }
  EXPECT_EQ(closings, 1u);
  EXPECT_TRUE(records.back() == normal_end || records.back() == failure_end) << records.back();
}

std::size_t groups_in(const std::string& file) {
  std::size_t groups = 0;
  for (const auto& record : records_of(file)) groups += record.size() == 60;
  return groups;
}

std::string last_record(const std::string& file) {
  const auto records = records_of(file);
  return records.empty() ? std::string() : records.back();
}

bool has_warning(const std::string& file) { return file.find(warning) != std::string::npos; }

const std::string& plain_output() {
  static const std::string output = run_on(std::string(reference) + measurement, table).equat;
  return output;
}

// ---------------------------------------------------------------------------
// Size

// A line of 10^7 bytes is one record: its first 46 columns are read, the
// rest is dropped, and the lines around it are unaffected. The run's peak
// memory may grow by the line, a few times over for the buffer's growth,
// but not by the file.
TEST(HostileSize, TenMillionByteLineIsOneRecord) {
  ScratchDir dir;
  const std::string measured(measurement, std::string(measurement).size() - 1);
  write_repeated(dir.file("vemo.freq"), std::string(reference) + measured, "x", 10'000'000,
                 std::string("\n") + measurement);
  dir.write("ionization.data", table);
  ScratchDir small;
  small.write("vemo.freq", std::string(reference) + measurement);
  small.write("ionization.data", table);
  const Outcome baseline = run(small);
  const Outcome outcome = run(dir);
  expect_well_formed(outcome);
  EXPECT_EQ(groups_in(outcome.equat), 2u);
  EXPECT_EQ(last_record(outcome.equat), normal_end);
  // Both groups are the plain measurement's group.
  const std::string group =
      plain_output().substr(0, plain_output().size() - std::string(normal_end).size() - 2);
  EXPECT_EQ(outcome.equat, group + group + normal_end + "\r\n");
  ASSERT_GT(baseline.result.peak_rss_kib, 0);
  EXPECT_LT(outcome.result.peak_rss_kib, baseline.result.peak_rss_kib + 6 * 10'000 + 32 * 1024)
      << "peak " << outcome.result.peak_rss_kib << " KiB against " << baseline.result.peak_rss_kib;
}

// The table's free-form search passes over a value-less line of 10^7
// blanks and then finds its row.
TEST(HostileSize, TenMillionBlanksBeforeATableRow) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(reference) + measurement);
  write_repeated(dir.file("ionization.data"), "", " ", 10'000'000, std::string("\n") + table);
  const Outcome outcome = run(dir);
  expect_well_formed(outcome);
  EXPECT_EQ(outcome.equat, plain_output());
}

// 10^6 blank lines: the free-form search reads them all and still finds the
// rows after them; memory stays that of a short line.
TEST(HostileSize, MillionBlankLinesInTheTable) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(reference) + measurement);
  write_repeated(dir.file("ionization.data"), "", "\n", 1'000'000, table);
  ScratchDir small;
  small.write("vemo.freq", std::string(reference) + measurement);
  small.write("ionization.data", table);
  const Outcome baseline = run(small);
  const Outcome outcome = run(dir);
  expect_well_formed(outcome);
  EXPECT_EQ(outcome.equat, plain_output());
  EXPECT_LT(outcome.result.peak_rss_kib, baseline.result.peak_rss_kib + 16 * 1024);
}

// Many lines in vemo.freq (blocks that hold a reference and a marker only)
// are read one record at a time: the peak does not grow with the file.
TEST(HostileSize, QuarterMillionLinesInTheMeasurements) {
  ScratchDir dir;
  const std::string marker = "    NEW \n";
  write_repeated(dir.file("vemo.freq"), "", std::string(reference) + marker, 125'000,
                 std::string(reference) + measurement);
  dir.write("ionization.data", table);
  ScratchDir small;
  small.write("vemo.freq", std::string(reference) + measurement);
  small.write("ionization.data", table);
  const Outcome baseline = run(small);
  const Outcome outcome = run(dir);
  expect_well_formed(outcome);
  EXPECT_EQ(outcome.equat, plain_output());
  EXPECT_LT(outcome.result.peak_rss_kib, baseline.result.peak_rss_kib + 16 * 1024);
}

// A table of 10^6 rows: only the first 450 are loaded, so an energy in row
// 451 is not found and one in row 450 is; reading stops there, quickly.
TEST(HostileSize, MillionRowTableLoadsOnly450) {
  for (const std::size_t filler : {448u, 449u}) {
    SCOPED_TRACE(filler);
    ScratchDir dir;
    dir.write("vemo.freq", std::string(reference) + measurement);
    std::string head;
    for (std::size_t i = 0; i < filler; ++i) head += "1 Xx 1 1.0\n";
    head += table;  // rows filler + 1 and filler + 2
    write_repeated(dir.file("ionization.data"), head, "1 Xx 1 1.0\n", 1'000'000, "");
    const Outcome outcome = run(dir);
    expect_well_formed(outcome);
    EXPECT_EQ(has_warning(outcome.equat), filler == 449u);
  }
}

// ---------------------------------------------------------------------------
// Bytes

// NUL and 0x1A (a DOS end-of-file mark) are ordinary bytes: in a symbol
// they are copied into the output, in a numeric field they are bad data
// that ends the run with the failure closing record, in the table they spoil
// only their row.
TEST(HostileBytes, NulAndSubstituteBytes) {
  const std::string nul_symbol =
      std::string(" 133Cs") + '\0' + '\x1a' + std::string(measurement).substr(8);
  {
    SCOPED_TRACE("in the symbol");
    const Outcome outcome = run_on(std::string(reference) + nul_symbol, table);
    expect_well_formed(outcome);
    EXPECT_EQ(last_record(outcome.equat), normal_end);
    EXPECT_NE(outcome.equat.find(std::string("Cs") + '\0' + '\x1a'), std::string::npos);
  }
  for (const std::size_t column : {1u, 10u, 20u, 40u}) {
    SCOPED_TRACE("NUL in column " + std::to_string(column));
    std::string line = measurement;
    line[column - 1] = '\0';
    const Outcome outcome = run_on(std::string(reference) + line, table);
    expect_well_formed(outcome);
    EXPECT_EQ(last_record(outcome.equat), failure_end);
  }
  {
    SCOPED_TRACE("0x1A as the last line");
    const Outcome outcome = run_on(std::string(reference) + measurement + "\x1a", table);
    expect_well_formed(outcome);
    EXPECT_EQ(groups_in(outcome.equat), 1u);
  }
  {
    SCOPED_TRACE("in the table");
    const std::string spoiled = std::string(
                                    "37 Rb 1 4.1\0\x1a"
                                    "77\n",
                                    16) +
                                std::string("55 Cs 1 3.894\n\0\x1a", 16);
    const Outcome outcome = run_on(std::string(reference) + measurement, spoiled);
    expect_well_formed(outcome);
    EXPECT_EQ(last_record(outcome.equat), normal_end);
  }
}

// Invalid UTF-8 (lone continuation bytes, truncated and overlong sequences,
// 0xFE and 0xFF) is bytes like any other: copied unchanged from symbol
// columns, and a non-blank flag in any bytes means the inverse ratio.
TEST(HostileBytes, InvalidUtf8InSymbolsAndFlags) {
  for (const std::string& bytes :
       {std::string("\xc3\x28"), std::string("\xff\xfe"), std::string("\xe2\x82"),
        std::string("\xc0\xaf"), std::string("\x80\xbf")}) {
    SCOPED_TRACE(bytes);
    std::string line = measurement;
    line.replace(6, 2, bytes);   // symbol columns 7-8
    line.replace(31, 2, bytes);  // flag columns 32-33
    const Outcome outcome = run_on(std::string(reference) + line, table);
    expect_well_formed(outcome);
    EXPECT_EQ(last_record(outcome.equat), normal_end);
    EXPECT_NE(outcome.equat.find("Cs" + bytes), std::string::npos);
    EXPECT_NE(outcome.equat, plain_output());
  }
}

// Every byte value (but LF, which ends the line, and a tab in a data column)
// in one column of a
// measurement line, one line per byte after one reference: the run converts
// lines until the first that holds bad data, and never stops any other way.
// In the symbol and flag columns, and past the last field, every byte is
// data and every line converts; in the symbol columns each byte shows in
// the output where it was read (a CR, which the reader drops, aside).
class EveryByte : public ::testing::TestWithParam<int> {};

TEST_P(EveryByte, InColumn) {
  const int column = GetParam();
  const bool data_column =
      (column >= 5 && column <= 8) || column == 32 || column == 33 || column > 46;
  std::string freq = reference;
  std::vector<std::string> lines;
  // Rotated per column, so that numeric columns stop on different bytes.
  for (int i = 0; i < 256; ++i) {
    const char byte = static_cast<char>((i + column * 37) % 256);
    if (byte == '\n') continue;
    // A tab moves every later column (HostileTabs covers it); in a data
    // column that would turn the next field into bad data.
    if (byte == '\t' && data_column) continue;
    std::string line(measurement, std::string(measurement).size() - 1);
    line.resize(48, ' ');
    line[static_cast<std::size_t>(column - 1)] = byte;
    lines.push_back(line);
    freq += line + "\n";
  }
  const Outcome outcome = run_on(freq, table);
  expect_well_formed(outcome);
  if (data_column) {
    EXPECT_EQ(last_record(outcome.equat), normal_end);
    EXPECT_EQ(groups_in(outcome.equat), lines.size());
  }
  if (column >= 5 && column <= 8) {
    std::size_t group = 0;
    for (const auto& record : records_of(outcome.equat)) {
      if (record.size() != 60) continue;
      const std::string& line = lines[group++];
      if (line.find('\r') != std::string::npos) continue;
      EXPECT_EQ(record.substr(11, 4), line.substr(4, 4)) << "line " << group;
    }
  }
  if (last_record(outcome.equat) == failure_end) {
    EXPECT_LT(groups_in(outcome.equat), lines.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Columns1To48, EveryByte, ::testing::Range(1, 49));

// ---------------------------------------------------------------------------
// Numbers

// Thousands of digits: trailing zeros, leading zeros balanced by an
// exponent, and integer digits past the mantissa's reach all leave 4.177 eV
// as it is; a value of thousands of nines overflows to infinity, which the
// output shows as INF, not as a crash.
TEST(HostileNumbers, ThousandsOfDigits) {
  const std::string rest = "55 Cs 1 3.894\n";
  for (const std::string& energy :
       {"4.177" + std::string(5000, '0'), "0." + std::string(3000, '0') + "4177E3001",
        "4177" + std::string(4000, '0') + "E-4003"}) {
    SCOPED_TRACE(energy.substr(0, 20));
    const Outcome outcome =
        run_on(std::string(reference) + measurement, "37 Rb 1 " + energy + "\n" + rest);
    expect_well_formed(outcome);
    EXPECT_EQ(outcome.equat, plain_output());
  }
  const Outcome huge = run_on(std::string(reference) + measurement,
                              "37 Rb 1 " + std::string(5000, '9') + "\n" + rest);
  expect_well_formed(huge);
  EXPECT_NE(huge.equat.find("INF"), std::string::npos);
}

// Exponents beyond the 32-bit range are taken modulo 2^32, as files were
// always read, whatever the field: the run ends normally with whatever value
// comes out, and E4294967296 is E0.
TEST(HostileNumbers, ExponentsBeyondTheIntRange) {
  for (const std::string sigma :
       {"1E99999999999", "1D-9999999999", "5-99999999999", "1E2147483648"}) {
    SCOPED_TRACE(sigma);
    std::string line(measurement, 33);
    line += std::string(13 - sigma.size(), ' ') + sigma + "\n";
    const Outcome outcome = run_on(std::string(reference) + line, table);
    expect_well_formed(outcome);
    EXPECT_EQ(groups_in(outcome.equat), 1u);
  }
  const Outcome wrapped =
      run_on(std::string(reference) + measurement, "37 Rb 1 4.177E4294967296\n55 Cs 1 3.894\n");
  expect_well_formed(wrapped);
  EXPECT_EQ(wrapped.equat, plain_output());
}

// Repeat counts beyond the int range must neither hang the table read nor
// spill into the next row's statement: each row is its own statement.
TEST(HostileNumbers, RepeatCountsBeyondTheIntRange) {
  for (const std::string row : {"99999999999*5 Rb 1 4.177", "2147483648*37 Rb 1 4.177",
                                "4294967297*37 Rb 1 4.177", "-1*37 Rb 1 4.177", "0*37 Rb 1 4.177",
                                "37 Rb 1 99999999999*4.177", "99999999999* 37 Rb 1 4.177"}) {
    SCOPED_TRACE(row);
    const Outcome outcome = run_on(std::string(reference) + measurement, row + "\n55 Cs 1 3.894\n");
    expect_well_formed(outcome);
    EXPECT_EQ(last_record(outcome.equat), normal_end);
  }
}

// An unterminated quote in the table runs to the end of the file and ends
// the table there; in vemo.freq a quote is an ordinary character. Neither
// may hang or stop the run.
TEST(HostileNumbers, UnterminatedQuotes) {
  for (const std::string& rows : {std::string("37 'Rb 1 4.177\n55 Cs 1 3.894\n"),
                                  std::string("37 \"Rb 1 4.177\n55 Cs 1 3.894\n"),
                                  std::string("37 Rb 1 4.177\n55 Cs 1 3.894\n55 '"),
                                  std::string("'") + std::string(100000, 'x')}) {
    SCOPED_TRACE(rows.substr(0, 30));
    const Outcome outcome = run_on(std::string(reference) + measurement, rows);
    expect_well_formed(outcome);
    EXPECT_EQ(last_record(outcome.equat), normal_end);
  }
  std::string quoted = measurement;
  quoted.replace(4, 2, "'R");
  const Outcome in_freq = run_on(std::string(reference) + quoted, table);
  expect_well_formed(in_freq);
  EXPECT_NE(in_freq.equat.find("133'R  "), std::string::npos);
}

// ---------------------------------------------------------------------------
// Tabs

// Tabs in every place of a measurement line under every form TABSIZE can
// take: unset, empty, zero, signs, trailing and leading junk, 20 or more
// characters, values past the 32-bit range. Forms that mean the same width
// give the same file.
TEST(HostileTabs, EveryTabsizeForm) {
  const std::string freq = std::string("  85Rb\t   1    -88210.35000000     0.00500000\n") +
                           "\t133Cs\t1\t1565221.53684744\t0.00012000\n" +
                           " 133Cs     1   1565221.53684744     0.00012000\t\t\t\n" +
                           "\t\t\t\t\t\t\n";
  const auto with = [&](std::optional<std::string> value) {
    return run_on(freq, table, {{"TABSIZE", value}});
  };
  const Outcome eight = with(std::nullopt);
  expect_well_formed(eight);
  const Outcome four = with("4");
  expect_well_formed(four);
  const Outcome zero = with("0");
  expect_well_formed(zero);
  struct Form {
    std::string value;
    const Outcome* same_as;  // nullptr: only well-formed
  };
  const std::vector<Form> forms = {
      {"", &eight},
      {"8", &eight},
      {"-3", &eight},
      {"+8", &eight},
      {"08", &eight},
      {"99999999999999999999", &eight},
      {"-1234567890", &eight},
      {"+4", &four},
      {"4x", &four},
      {"004", &four},
      {"x4", &zero},
      {" 4", &zero},
      {"-", &zero},
      {"+", &zero},
      {"1", nullptr},
      {"3", nullptr},
      {"65536", nullptr},
      {"4294967300", nullptr},
      {"2147483648", nullptr},
  };
  for (const Form& form : forms) {
    SCOPED_TRACE("TABSIZE=\"" + form.value + "\"");
    const Outcome outcome = with(form.value);
    expect_well_formed(outcome);
    if (form.same_as != nullptr) {
      EXPECT_EQ(outcome.equat, form.same_as->equat);
    }
  }
}

// A tab under the largest width TABSIZE can give fills the record to its
// 2^31 - 1 column limit; the next character then cannot be stored, and the
// read must fail cleanly (the failure closing record), not crash or wrap.
// The blanks are real columns of the record, so they do take their memory,
// and filling 2 GiB takes as long as the machine needs: this run has no
// time limit of its own (CTest's limit still ends a hang), so that a busy
// machine cannot fail it.
TEST(HostileTabs, LargestTabWidthFailsTheReadCleanly) {
  ScratchDir dir;
  dir.write("vemo.freq",
            std::string("  85Rb\t1    -88210.35000000     0.00500000\n") + measurement);
  dir.write("ionization.data", table);
  RunOptions options;
  options.working_directory = dir.path();
  options.environment = {{"TABSIZE", "2147483647"}};
  Outcome outcome{testing_support::run_program(FREQ2EQUAT_PROGRAM, options), {}};
  outcome.equat = dir.read("vemo.equat").value_or("<no vemo.equat>");
  expect_well_formed(outcome);
  EXPECT_EQ(outcome.equat, "0Error in File Reading\r\n");
}

}  // namespace
