// finding_pins_test.cpp - every kind of finding on a small input: the line,
// column and identifier it is given, and the caret under that column; and
// inputs that must give no finding at all. The words are pinned once, in
// the golden file (findings_golden_test).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/check/finding_cases.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace {

using finding_cases::Case;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

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

class FindingPins : public testing::TestWithParam<Case> {};

// The finding's first line starts with its place and ends with its
// identifier in brackets; the caret two lines below stands under its column.
TEST_P(FindingPins, StandAtTheirPlaceWithTheirIdentifier) {
  const Case& c = GetParam();
  const RunResult result = finding_cases::run(c);
  const std::vector<std::string> lines = lines_of(result.standard_error);
  const std::string head = c.place + ": ";
  const std::string tail = " [" + c.id + "]";
  std::size_t at = 0;
  while (at < lines.size() &&
         !(lines[at].rfind(head, 0) == 0 && lines[at].size() > tail.size() &&
           lines[at].compare(lines[at].size() - tail.size(), tail.size(), tail) == 0)) {
    ++at;
  }
  ASSERT_LT(at, lines.size()) << "missing: " << c.place << " ... [" << c.id << "]\nin:\n"
                              << result.standard_error;
  // FILE:LINE:COLUMN: the third number names the caret's column.
  const std::size_t line_end = c.place.rfind(':');
  const std::size_t line_start = c.place.rfind(':', line_end - 1);
  if (line_start == std::string::npos) return;  // FILE:LINE: the whole line
  const std::size_t column = std::stoul(c.place.substr(line_end + 1));
  if (column == 1 && (at + 2 >= lines.size() || lines[at + 2].find('^') == std::string::npos))
    return;  // column 1 of a line not shown (an empty file)
  ASSERT_LT(at + 2, lines.size());
  EXPECT_EQ(lines[at + 2], std::string(column - 1, ' ') + "^");
}

INSTANTIATE_TEST_SUITE_P(Check, FindingPins, testing::ValuesIn(finding_cases::cases()),
                         [](const testing::TestParamInfo<Case>& param) {
                           return std::string(param.param.name);
                         });

using finding_cases::Environment;
using finding_cases::mass_header;
using finding_cases::put;
using finding_cases::rows_2020;

struct Clean {
  const char* name;
  std::string freq;
  std::string table;
  std::string masses = {};  // written as m.csv, and compared with, when not empty
  Environment environment = {};
};

void PrintTo(const Clean& clean, std::ostream* out) { *out << clean.name; }

class CleanInputs : public testing::TestWithParam<Clean> {};

// Nothing wrong, nothing said: standard error empty, exit status 0.
TEST_P(CleanInputs, GiveNoFindingAtAll) {
  const Clean& clean = GetParam();
  const Case c{
      clean.name,   clean.freq,
      clean.table,  clean.masses.empty() ? finding_cases::no_masses : finding_cases::own_masses,
      "",           "",
      clean.masses, clean.environment};
  const RunResult result = finding_cases::run(c);
  EXPECT_EQ(result.standard_error, "");
  EXPECT_EQ(result.exit_status, 0);
}

constexpr const char* R = testing_support::worked_reference;
constexpr const char* M = testing_support::worked_measurement;
constexpr const char* T = testing_support::worked_table;

const Clean clean_inputs[] = {
    {"CarriageReturnLineFeedEnds",
     std::string("  85Rb     1    -88210.35000000     0.00500000\r\n") +
         " 133Cs     1   1565221.53684744     0.00012000\r\n",
     "37 Rb 1 4.177\r\n55 Cs 1 3.894\r\n"},
    // With TABSIZE=0 a tab is kept as a character and moves no field.
    {"TabKeptWithTabsizeZero",
     std::string(R) + " 133Cs     1   1565221.53684744     0.00012000\t\n",
     T,
     "",
     {{"TABSIZE", "0"}}},
    // The flag may stand in either of its columns.
    {"InverseRatioFlaggedInColumn32",
     std::string(R) + " 133Cs     1    638887.24719430I    0.00012000\n", T},
    {"InverseRatioFlaggedInColumn33",
     std::string(R) + " 133Cs     1    638887.24719430 I   0.00012000\n", T},
    {"MassTableWithCrLfAndComments", std::string(R) + M, T,
     std::string("# a comment\r\n") + mass_header +
         "37,85,Rb,-88210.35,0.01,,,no\r\n55,133,Cs,-94548.17,0.02,,,yes\r\n"},
    // The median of an even count lies between its middle two (their
    // geometric mean, 8.9e-9 and 1.4e-8 here): within a factor 100 of every
    // relative uncertainty of the block, where either middle value or their
    // arithmetic mean is not.
    {"EvenCountMedianBetweenTheMiddleTwo",
     finding_cases::Rb85 + put(finding_cases::Cs133, 34, "   0.00125218") +
         put(finding_cases::Kr84, 34, "   0.00079058") +
         put(finding_cases::Sr88, 34, "   0.10352583") +
         put(finding_cases::Kr84, 34, "   0.49410978"),
     rows_2020},
    {"EvenCountMedianNotTheArithmeticMean",
     finding_cases::Rb85 + finding_cases::Cs133 + put(finding_cases::Kr84, 34, "   0.00098822") +
         put(finding_cases::Sr88, 34, "   0.20705165") +
         put(finding_cases::Kr84, 34, "   0.19764391"),
     rows_2020},
    // The converter reads up to column 46: a line differing there alone is
    // another measurement.
    {"LinesDifferingInTheLastColumnRead",
     finding_cases::Rb85 + finding_cases::Cs133 + finding_cases::Kr84 +
         put(finding_cases::Kr84, 46, "2"),
     rows_2020},
    // 12C16O 11 eV below its atoms: the bond of CO holds 11.1 eV.
    {"MoleculeBelowItsAtomsByItsBond",
     "  28CO     1     -5085.39254899     0.00001000\n"
     "  28Si     1    999357.43930414     0.00020000\n",
     rows_2020,
     std::string(mass_header) + "6,12,C,0.0,0.0,,,no\n8,16,O,-5085.38074,0.00032,,,no\n"
                                "14,28,Si,-23073.46558,0.00055,,,no\n"},
};

INSTANTIATE_TEST_SUITE_P(Check, CleanInputs, testing::ValuesIn(clean_inputs),
                         [](const testing::TestParamInfo<Clean>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
