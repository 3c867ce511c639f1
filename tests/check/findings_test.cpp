// findings_test.cpp - the slips that only the data reveals (uncertainties,
// blocks, ranges, the mass table), one row each on the real checker, and
// the clean files on which none of them may fire.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "nuclides/physical_limits.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

// A block made from the 2020 table (as tests/data/mixed-precision), whose
// lines the rows below change one slip at a time.
constexpr const char* Rb85 = "  85Rb     1    -88210.26396000     0.00537000\n";
constexpr const char* Cs133 = " 133Cs     1   1565221.53681481     0.00156522\n";
constexpr const char* Kr84 = "  84Kr     1    988219.55744914     0.00049411\n";
constexpr const char* Sr88 = "  88Sr     1   1035258.25883202     0.00310577\n";
constexpr const char* Si28 = "  28Si     1    -23073.46558000     0.00055000\n";
constexpr const char* table =
    "37 Rb 1 4.177128\n55 Cs 1 3.893906\n36 Kr 1 13.999605\n38 Sr 1 5.694867\n14 Si 1 8.151680\n"
    "0 'CO' 1 14.014\n";

std::string block(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += line;
  return text;
}

RunResult check(const ScratchDir& dir, const std::vector<std::string>& arguments = {}) {
  RunOptions options;
  options.working_directory = dir.path();
  return testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, arguments);
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

struct Slip {
  const char* name;
  std::string freq;
  std::string finding;  // the start of its line on standard error
  int exit_status;
};

void PrintTo(const Slip& slip, std::ostream* out) { *out << slip.name; }

class Slips : public testing::TestWithParam<Slip> {};

// Each slip is found by the default run, on its line and column.
TEST_P(Slips, AreFoundOnTheirLineAndColumn) {
  const Slip& slip = GetParam();
  ScratchDir dir;
  dir.write("vemo.freq", slip.freq);
  dir.write("ionization.data", table);
  const RunResult result = check(dir);
  EXPECT_EQ(result.exit_status, slip.exit_status) << result.standard_error;
  EXPECT_NE(("\n" + result.standard_error).find("\n" + slip.finding), std::string::npos)
      << "missing: " << slip.finding << "\nin:\n"
      << result.standard_error;
}

const Slip slips[] = {
    {"ReferenceSignSlip", block({"  85Rb     1     88210.26396000     0.00537000\n", Cs133}),
     "vemo.freq:1:18: warning: the reference mass excess of 85Rb is 2.3e+07 sigma (176420.527920 "
     "micro-u) from "
     "the mass table's -88210.263960",
     1},
    {"RelativeUncertaintyFarFromMedian",
     block({Rb85, Cs133, "  84Kr     1    988219.55744914     0.49411000\n", Sr88}),
     "vemo.freq:3:37: warning: the relative uncertainty of this ratio, 5e-07, is 167 times larger "
     "than the median "
     "of its block's measurements (3e-09)",
     1},
    {"RelativeUncertaintyBelowAnyMeasurement",
     block({Rb85, Cs133, "  84Kr     1    988219.55744914     0.00000411\n", Sr88}),
     "vemo.freq:3:37: warning: the relative uncertainty of this ratio, 4.159e-12, is below 1e-11",
     1},
    {"UncertaintyPrintedAsZero", block({Rb85, "  84Kr     1    988219.55744914     0.00000001\n"}),
     "vemo.freq:2:37: warning: the equation's uncertainty, 8.5e-07 micro-u, is printed as \"(  "
     "0.00000)\"",
     1},
    {"UncertaintyAsAsterisks", block({Rb85, "  84Kr     1    988219.55744914   150.00000000\n"}),
     "vemo.freq:2:35: warning: the equation's uncertainty, 12750.00000 micro-u, does not fit its "
     "field: the "
     "equation record shows \"(*********)\"",
     1},
    {"UncertaintyLosesItsBlank", block({Rb85, "  84Kr     1    988219.55744914    20.00000000\n"}),
     "vemo.freq:2:36: warning: the uncertainty of the mass excess, 1700.000000 micro-u, fills its "
     "field: the "
     "micro-u record loses the blank after \"+/-\" (\"+/-1700.000000\")",
     1},
    {"UncertaintyFieldCut", block({Rb85, "  84Kr     1    988219.55744914     0.000494115\n"}),
     "vemo.freq:2:47: warning: the digits '5' right after the uncertainty (columns 34-46) continue "
     "it",
     1},
    {"ReferenceUncertaintyTenfold",
     block({"  85Rb     1    -88210.26396000     0.05370000\n", Cs133}),
     "vemo.freq:1:37: warning: the reference uncertainty 0.053700 micro-u is 10.0 times the mass "
     "table's for 85Rb "
     "(-88210.263960 +/- 0.005370): has a digit slipped?",
     1},
    // A note only: a newer, more precise reference value is legitimate.
    {"ReferenceUncertaintyFarBelowTable",
     block({"  85Rb     1    -88210.26396000     0.00037000\n", Cs133}),
     "vemo.freq:1:37: note: the reference uncertainty 0.000370 micro-u is less than a tenth of the "
     "mass table's "
     "for 85Rb: right for a newer, more precise value; the comparison used the table's "
     "-88210.263960 +/- "
     "0.005370",
     0},
    {"LinePastedTwice", block({Rb85, Cs133, Kr84, Cs133}),
     "vemo.freq:4:1: warning: this line repeats line 2 in every column the converter reads: pasted "
     "twice?",
     1},
    {"BlockWithoutMeasurement", block({Rb85, "    NEW\n", Rb85, Cs133}),
     "vemo.freq:1:3: warning: this block has a reference line and no measurement", 1},
    {"ReferenceWithTwoMassExcesses",
     block({Rb85, Cs133, "    NEW\n", "  85Rb     1    -88210.26390000     0.00537000\n", Kr84}),
     "vemo.freq:4:17: warning: 85Rb was given the mass excess -88210.263960 on line 1: one "
     "reference nuclide with "
     "two mass excesses",
     1},
    {"ReferenceBeyondAnyMassExcess", block({Rb85, Cs133, "    NEW\n", Kr84, Sr88}),
     "vemo.freq:4:17: warning: a reference mass excess of 988219.56 micro-u is no mass excess", 1},
    {"MassNumberOneOffOnAHeavyNuclide",
     block({Rb85, Cs133, "  83Kr     1    988219.55744914     0.00049411\n", Sr88}),
     "vemo.freq:3:17: warning: this ratio fits neither 83Kr 1+ over 85Rb 1+ (about 976471)", 1},
    {"ReferenceMassNumberBlamed",
     block({"  84Rb     1    -88210.26396000     0.00537000\n", Cs133, Kr84, Sr88}),
     "vemo.freq:1:3: warning: all 3 measurements of this block fit the ratio check neither way: "
     "the mass number "
     "or charge state of this reference line is the likely slip",
     1},
    {"UnknownNuclide", block({Rb85, "  28Co     1    329412.53681481     0.00156522\n"}),
     "vemo.freq:2:3: warning: 28Co is not a known nuclide: the mass table, which lists every known "
     "one, has no Co "
     "with mass number 28 (is it the molecule CO?)",
     1},
    {"IsomerLetterSlip", block({Rb85, " 133Csm    1   1565221.53681481     0.00156522\n"}),
     "vemo.freq:2:5: warning: 133Csm equals the ground state 133Cs of the mass table within 3 "
     "sigma",
     1},
    {"IsomerBelowGroundState",
     block({" 133Cs     1    -94548.04200000     0.00800000\n",
            " 134Csm    1   1007529.82727455     0.00025188\n"}),
     "vemo.freq:2:16: warning: 134Csm lies", 1},
    {"IsomerTooHigh",
     block({" 133Cs     1    -94548.04200000     0.00800000\n",
            " 134Csm    1   1007700.00000000     0.00025188\n"}),
     "vemo.freq:2:16: warning: 134Csm lies 20587.1 keV above the ground state 134Cs of the mass "
     "table: no "
     "isomer lies more than 10 MeV above its ground state",
     1},
    // The inverse ratio without its flag: 28CO and 28Si have one A/q, so
    // only the sum of the atoms' mass excesses shows it.
    {"MoleculeOffItsAtoms", block({Si28, "  28CO     1    999357.43930759     0.00020013\n"}),
     "vemo.freq:2:17: warning: the mass excess of the molecule 28CO, -41049.992669 micro-u, is "
     "-35964.611929 "
     "micro-u from the sum of its atoms' table values (12C+16O: -5085.380740)",
     1},
    {"NullEquation", block({Rb85, "  85Rb     2    500000.00000000     0.00156522\n"}),
     "vemo.freq:2:5: note: 85Rb is measured against itself: the equation is a null equation", 1},
    {"EmptyLineInABlock", block({Rb85, "\n", Cs133}),
     "vemo.freq:2:1: warning: an empty line, read as a measurement with every field zero: the "
     "converter writes "
     "the zero-uncertainty equation \"0    -  85Rb  * 0.000 =        0.00000 (  0.00000)\" from it",
     1},
    {"DecimalComma", block({Rb85, " 133Cs     1   1565221,53681481     0.00156522\n"}),
     "vemo.freq:2:23: warning: a decimal comma in the ratio (columns 13-31): the converter ends "
     "the field at the "
     "comma and reads '1565221' as 0.01565221",
     1},
    {"MissingSymbol", block({Rb85, " 133        1   1565221.53681481     0.00156522\n"}),
     "vemo.freq:2:5: warning: no symbol in columns 5-8: no binding energy is found for it", 1},
};

INSTANTIATE_TEST_SUITE_P(Check, Slips, testing::ValuesIn(slips),
                         [](const testing::TestParamInfo<Slip>& param) {
                           return std::string(param.param.name);
                         });

// The missing symbol is said once, not again as "no binding energy for  with
// charge 1".
TEST(CleanData, MissingSymbolIsNotNamedAsASpecies) {
  ScratchDir dir;
  dir.write("vemo.freq", block({Rb85, " 133        1   1565221.53681481     0.00156522\n"}));
  dir.write("ionization.data", table);
  EXPECT_EQ(check(dir).standard_error.find("no binding energy for  "), std::string::npos);
}

// The clean file made from the 2020 table with precisions from 1e-11 to 1e-7,
// singly and highly charged ions, a molecule and an isomer: nothing but what
// such precision costs. 132Xe 17+ over 129Xe 17+ at 1e-11 has a U of
// 0.0013 micro-u, while the tabulated total of Xe 17+ is uncertain by about
// 20 eV, which leaves 0.0005 micro-u in the correction.
TEST(CleanData, MixedPrecisionFileGivesNoFinding) {
  const RunResult result =
      check(ScratchDir(), {std::string(FREQ2EQUAT_TEST_DATA) + "/mixed-precision"});
  EXPECT_EQ(result.exit_status, 1) << result.standard_error;
  EXPECT_EQ(count(result.standard_error, ": warning: "), 1) << result.standard_error;
  EXPECT_EQ(count(result.standard_error, ": error: ") + count(result.standard_error, ": note: "),
            0);
  EXPECT_NE(
      result.standard_error.find("/mixed-precision/vemo.freq:8:37: warning: the binding-energy "
                                 "correction of 132Xe 17+ over "
                                 "129Xe 17+, 0.075108 micro-u, is uncertain by 0.000492 micro-u"),
      std::string::npos)
      << result.standard_error;
  // 28CO and 28Si have one A/q: -v says that the table, not the ratio,
  // decides the flag.
  const RunResult verbose =
      check(ScratchDir(), {"-v", std::string(FREQ2EQUAT_TEST_DATA) + "/mixed-precision"});
  EXPECT_NE(verbose.standard_output.find(
                "vemo.freq:13: the ratio and its inverse both fit 28CO 1+ over 28Si 1+ "
                "(the same A/q): the flag cannot be checked from the ratio; the comparison "
                "with the mass table decides"),
            std::string::npos)
      << verbose.standard_output;
}

// The bundled examples by default: the one warning they keep on purpose.
TEST(CleanData, BundledExamplesGiveOnlyTheMissingBariumRow) {
  const RunResult result = check(ScratchDir(), {FREQ2EQUAT_EXAMPLES});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(count(result.standard_error, ": warning: "), 1) << result.standard_error;
  EXPECT_EQ(count(result.standard_error, ": error: ") + count(result.standard_error, ": note: "),
            0);
  EXPECT_NE(result.standard_error.find(
                "/vemo.freq:11:5: warning: no binding energy for Ba with charge 1"),
            std::string::npos);
}

// The worked example's reference is 0.086 micro-u off the table, as its
// man page explains: that, and the measurement it moves, are all there is.
TEST(CleanData, WorkedExampleGivesOnlyItsReferenceOffset) {
  ScratchDir dir;
  dir.write("vemo.freq",
            std::string(testing_support::worked_reference) + testing_support::worked_measurement);
  dir.write("ionization.data", testing_support::worked_table);
  const RunResult result = check(dir);
  EXPECT_EQ(count(result.standard_error, ": warning: "), 2) << result.standard_error;
  EXPECT_EQ(count(result.standard_error, ": note: "), 0) << result.standard_error;
  EXPECT_EQ(result.standard_error.find(
                "vemo.freq:1:17: warning: the reference mass excess of 85Rb is 11.7 sigma"),
            0u);
  EXPECT_NE(result.standard_error.find("\nvemo.freq:2:16: warning: the mass excess of 133Cs"),
            std::string::npos);
}

// The listing's numbers stand right-aligned: every decimal point of a column
// in one place, whatever the width of the values.
TEST(CleanData, ComparisonListingAlignsItsPoints) {
  const RunResult result = check(ScratchDir(), {FREQ2EQUAT_EXAMPLES});
  std::istringstream lines(result.standard_output);
  std::string line;
  std::getline(lines, line);  // the title
  std::getline(lines, line);  // the heads
  // A reference line, and a measurement without its correction, leave the
  // correction's columns empty: their points are those of a full line less
  // those two.
  std::vector<std::vector<std::size_t>> points_of_rows;
  std::vector<std::string> rows;
  while (std::getline(lines, line) && line.find("would be written") == std::string::npos) {
    std::vector<std::size_t> found;
    for (std::size_t at = line.find('.'); at != std::string::npos; at = line.find('.', at + 1))
      found.push_back(at);
    points_of_rows.push_back(found);
    rows.push_back(line);
  }
  ASSERT_GT(rows.size(), 10u);
  const std::vector<std::size_t> points =
      *std::max_element(points_of_rows.begin(), points_of_rows.end(),
                        [](const auto& a, const auto& b) { return a.size() < b.size(); });
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_TRUE(points_of_rows[i].size() + 2 >= points.size() &&
                std::includes(points.begin(), points.end(), points_of_rows[i].begin(),
                              points_of_rows[i].end()))
        << rows[i];
  }
}

// A table value estimated from systematics is marked, and the mark said.
TEST(CleanData, ComparisonListingMarksEstimatedValues) {
  ScratchDir dir;
  dir.write("vemo.freq", "  81Nb     1    -49770.00000000   429.00000000\n");
  dir.write("ionization.data", table);
  const std::string listing = check(dir).standard_output;
  EXPECT_NE(listing.find(" 429.000000  #  "), std::string::npos) << listing;
  EXPECT_NE(listing.find("\n# estimated in mass-excess-2020.csv from systematics, not measured"),
            std::string::npos)
      << listing;
}

// --no-masses: no listing, no table finding; a default table that cannot be
// found costs the comparison only, said in one line, and so do the shipped
// binding energies.
TEST(CleanData, NoMassesAndMissingDefaultTable) {
  ScratchDir dir;
  dir.write("vemo.freq",
            std::string(testing_support::worked_reference) + testing_support::worked_measurement);
  dir.write("ionization.data", testing_support::worked_table);
  const RunResult off = check(dir, {"--no-masses"});
  EXPECT_EQ(off.exit_status, 0) << off.standard_error;
  EXPECT_EQ(off.standard_output.find("mass excesses in micro-u"), std::string::npos);

  if (std::filesystem::exists(FREQ2EQUAT_INSTALLED_MASSES))
    GTEST_SKIP() << "a mass table is installed";
  std::filesystem::copy_file(FREQ2EQUAT_CHECK_PROGRAM, dir.file("copied-check"));
  RunOptions options;
  options.working_directory = dir.path();
  const RunResult copied = testing_support::run_program(dir.file("copied-check"), options);
  EXPECT_EQ(copied.exit_status, 0) << copied.standard_error;
  // The shipped binding energies are missing beside it too: one line each.
  EXPECT_EQ(count(copied.standard_error, "\n"), 2) << copied.standard_error;
  EXPECT_NE(copied.standard_error.find(": the mass excesses are not compared with a mass table\n"),
            std::string::npos)
      << copied.standard_error;
  EXPECT_NE(copied.standard_error.find(
                ": the rows of the binding-energy table are not checked against it\n"),
            std::string::npos)
      << copied.standard_error;
}

// The bounds per nucleon that the ratio window rests on hold for every
// nuclide of the shipped 2020 table.
TEST(PhysicalLimits, HoldForEveryNuclideOfTheTable) {
  std::ifstream csv(std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/mass-excess-2020.csv");
  std::string line;
  bool header = false;
  int nuclides = 0;
  while (std::getline(csv, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (!header) {
      header = true;
      continue;
    }
    std::istringstream fields(line);
    std::string Z, A, symbol, excess;
    std::getline(fields, Z, ',');
    std::getline(fields, A, ',');
    std::getline(fields, symbol, ',');
    std::getline(fields, excess, ',');
    const int a = std::stoi(A);
    const double per_nucleon = std::stod(excess) / a;
    EXPECT_GE(per_nucleon, nuclides::lowest_excess_per_nucleon) << A << symbol;
    EXPECT_LE(per_nucleon, a < nuclides::light_mass_number
                               ? nuclides::highest_excess_per_nucleon_light
                               : nuclides::highest_excess_per_nucleon)
        << A << symbol;
    EXPECT_LT(std::abs(std::stod(excess)), nuclides::mass_excess_limit) << A << symbol;
    ++nuclides;
  }
  EXPECT_GT(nuclides, 3000);
}

}  // namespace
