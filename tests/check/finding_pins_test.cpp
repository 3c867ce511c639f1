// finding_pins_test.cpp - findings pinned to the last byte: the whole first
// line (file, line, column, kind, message) and the caret under its column;
// and inputs that must give no finding at all. Each row is here because a
// one-line change of the checker once passed every other test.
#include <gtest/gtest.h>

#include <optional>
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

constexpr const char* R = testing_support::worked_reference;
constexpr const char* M = testing_support::worked_measurement;
constexpr const char* T = testing_support::worked_table;

constexpr const char* mass_header =
    "Z,A,symbol,mass_excess_micro_u,uncertainty_micro_u,mass_excess_keV,uncertainty_keV,"
    "estimated\n";

using Environment = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct Input {
  Input(std::string freq_bytes, std::string table_bytes = T, std::string masses_bytes = {},
        std::vector<std::string> command_arguments = {}, Environment variables = {})
      : freq(std::move(freq_bytes)),
        table(std::move(table_bytes)),
        masses(std::move(masses_bytes)),
        arguments(std::move(command_arguments)),
        environment(std::move(variables)) {}
  std::string freq;
  std::string table;
  std::string masses;  // written as m.csv when not empty
  std::vector<std::string> arguments;
  Environment environment;
};

RunResult check(const Input& input) {
  ScratchDir dir;
  dir.write("vemo.freq", input.freq);
  dir.write("ionization.data", input.table);
  if (!input.masses.empty()) dir.write("m.csv", input.masses);
  RunOptions options;
  options.working_directory = dir.path();
  options.environment = input.environment;
  // The installed table has findings of its own on the worked example
  // (its reference lies 11.7 sigma from it): only the rows about a mass table
  // compare with one.
  std::vector<std::string> arguments = input.arguments;
  if (input.masses.empty()) arguments.emplace_back("--no-masses");
  return testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, arguments);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

std::string rows_of_xenon(int count) {
  std::string rows;
  for (int i = 1; i <= count; ++i)
    rows += std::to_string(i) + " Xe " + std::to_string(i) + " 1.0\n";
  return rows;
}

// One good row, so that a table whose other row is left out is still used.
const std::string caesium_row = "55,133,Cs,-94548.04,0.008\n";

struct Pin {
  const char* name;
  Input input;
  std::string first_line;  // FILE:LINE:COLUMN: kind: message, exactly
};

void PrintTo(const Pin& pin, std::ostream* out) { *out << pin.name; }

class FindingPins : public testing::TestWithParam<Pin> {};

// The finding is a line of its own, word for word, and the caret two lines
// below it stands under the column it names.
TEST_P(FindingPins, GiveTheirWholeFirstLineAndTheCaretUnderTheColumn) {
  const Pin& pin = GetParam();
  const RunResult result = check(pin.input);
  EXPECT_EQ(result.exit_status, 1) << result.standard_error;
  const std::vector<std::string> lines = lines_of(result.standard_error);
  std::size_t at = 0;
  while (at < lines.size() && lines[at] != pin.first_line) ++at;
  ASSERT_LT(at, lines.size()) << "missing: " << pin.first_line << "\nin:\n"
                              << result.standard_error;
  ASSERT_LT(at + 2, lines.size());
  // FILE:LINE:COLUMN: the third number names the caret's column.
  const std::size_t column_end = pin.first_line.find(": ");
  const std::size_t column_start = pin.first_line.rfind(':', column_end - 1) + 1;
  const std::size_t column =
      std::stoul(pin.first_line.substr(column_start, column_end - column_start));
  EXPECT_EQ(lines[at + 2], std::string(column - 1, ' ') + "^");
}

const Pin finding_pins[] = {
    {"ZeroInTheFlagColumns",
     {std::string(R) + " 133Cs     1   1565221.536847440   0.00012000\n"},
     "vemo.freq:2:32: warning: '0' in the flag columns 32-33 makes the converter take the ratio as "
     "the inverse "
     "ratio: is the ratio one column too far right?"},
    {"TabBeforeTheCharge",
     {std::string(R) + " 133Cs\t    1   1565221.53684744     0.00012000\n"},
     "vemo.freq:2:7: warning: a tab: the converter fills blanks up to column 9 (tab stops every 8 "
     "columns), so "
     "every field after it moves; write blanks instead"},
    {"TabWithTabsizeFour",
     {std::string(R) + " 133Cs\t    1   1565221.53684744     0.00012000\n",
      T,
      "",
      {},
      {{"TABSIZE", "4"}}},
     "vemo.freq:2:7: warning: a tab: the converter fills blanks up to column 9 (tab stops every 4 "
     "columns), so "
     "every field after it moves; write blanks instead"},
    {"CarriageReturnInsideALine",
     {std::string("  85Rb     1    -88210.35000000\r     0.00500000\n") + M},
     "vemo.freq:1:32: warning: a CR without LF: a line end of CR alone is no line end here; the "
     "converter drops "
     "the CR and reads what follows as part of this line"},
    // Tritium is hydrogen's isotope in the mass table.
    {"TritiumComparedAsHydrogen",
     {"   3T      1     16010.00000000     0.00000000\n",
      "1 T 1 13.6\n",
      std::string(mass_header) + "1,3,H,16000,1,,,no\n",
      {"--masses", "m.csv"}},
     "vemo.freq:1:18: warning: the reference mass excess of 3T is 10.0 sigma (10.000000 micro-u) "
     "from the mass "
     "table's 16000.000000: a typing error in it is more likely than new physics"},
    // A third row of one species names the second, not the first.
    {"ThirdDuplicateNamesTheSecond",
     {std::string(R) + M, "37 Rb 1 4.177\n37 Rb 1 4.2\n37 Rb 1 4.3\n55 Cs 1 3.894\n"},
     "ionization.data:3:4: warning: Rb with charge 1 is in the table twice: the converter uses "
     "this later row, "
     "not the one on line 2"},
    {"Row451NotStartingWithAnInteger",
     {std::string(R) + M, std::string(T) + rows_of_xenon(448) + "Xe 449 1 1.0\n"},
     "ionization.data:451:1: warning: the converter loads 450 rows: this row and every row after "
     "it are not "
     "loaded"},
    {"MassTableNotANumber",
     {std::string(R) + M,
      T,
      std::string(mass_header) + "37,85,Rb,nan,0.005\n55,133,Cs,-94548.04,0.008\n",
      {"--masses", "m.csv"}},
     "m.csv:2:10: warning: the mass excess is not a finite number: the row is left out"},
    {"MassTableInfiniteUncertainty",
     {std::string(R) + M,
      T,
      std::string(mass_header) + "37,85,Rb,-88210.26,inf\n" + caesium_row,
      {"--masses", "m.csv"}},
     "m.csv:2:20: warning: the uncertainty is not a finite number: the row is left out"},
    {"MassTableNegativeUncertainty",
     {std::string(R) + M,
      T,
      std::string(mass_header) + "37,85,Rb,-88210.26,-0.005\n" + caesium_row,
      {"--masses", "m.csv"}},
     "m.csv:2:20: warning: negative uncertainty: the row is left out"},
    {"MassTableQuotedSymbol",
     {std::string(R) + M,
      T,
      std::string(mass_header) + "37,85,\"Rb\",-88210.26,0.005\n" + caesium_row,
      {"--masses", "m.csv"}},
     "m.csv:2:7: warning: '\"Rb\"' is not an element symbol (symbols are written without quotes): "
     "the row is "
     "left out"},
    {"MassTableDuplicate",
     {std::string(R) + M,
      T,
      std::string(mass_header) + "# comment\n37,85,Rb,-88210.35,0.005\n37,85,Rb,-88210.35,0.005\n",
      {"--masses", "m.csv"}},
     "m.csv:4:4: warning: 85Rb is in the table already, on line 3: the row is left out"},
    {"MassTableShortRow",
     {std::string(R) + M,
      T,
      std::string(mass_header) + "37,85,Rb\n" + caesium_row,
      {"--masses", "m.csv"}},
     "m.csv:2:1: warning: not a row of Z, A, symbol, mass excess and uncertainty in micro-u: the "
     "row is left out"},
};

INSTANTIATE_TEST_SUITE_P(Check, FindingPins, testing::ValuesIn(finding_pins),
                         [](const testing::TestParamInfo<Pin>& param) {
                           return std::string(param.param.name);
                         });

struct Clean {
  const char* name;
  Input input;
};

void PrintTo(const Clean& clean, std::ostream* out) { *out << clean.name; }

class CleanInputs : public testing::TestWithParam<Clean> {};

// Nothing wrong, nothing said: standard error empty, exit status 0.
TEST_P(CleanInputs, GiveNoFindingAtAll) {
  const RunResult result = check(GetParam().input);
  EXPECT_EQ(result.standard_error, "");
  EXPECT_EQ(result.exit_status, 0);
}

const Clean clean_inputs[] = {
    {"CarriageReturnLineFeedEnds",
     {std::string("  85Rb     1    -88210.35000000     0.00500000\r\n") +
          " 133Cs     1   1565221.53684744     0.00012000\r\n",
      "37 Rb 1 4.177\r\n55 Cs 1 3.894\r\n"}},
    // With TABSIZE=0 a tab is kept as a character and moves no field.
    {"TabKeptWithTabsizeZero",
     {std::string(R) + " 133Cs     1   1565221.53684744     0.00012000\t\n",
      T,
      "",
      {},
      {{"TABSIZE", "0"}}}},
    // The flag may stand in either of its columns.
    {"InverseRatioFlaggedInColumn32",
     {std::string(R) + " 133Cs     1    638887.24719430I    0.00012000\n"}},
    {"InverseRatioFlaggedInColumn33",
     {std::string(R) + " 133Cs     1    638887.24719430 I   0.00012000\n"}},
    {"MassTableWithCrLfAndComments",
     {std::string(R) + M,
      T,
      std::string("# a comment\r\n") + mass_header +
          "37,85,Rb,-88210.35,0.01,,,no\r\n55,133,Cs,-94548.17,0.02,,,yes\r\n",
      {"--masses", "m.csv"}}},
};

INSTANTIATE_TEST_SUITE_P(Check, CleanInputs, testing::ValuesIn(clean_inputs),
                         [](const testing::TestParamInfo<Clean>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
