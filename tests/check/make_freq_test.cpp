// make_freq_test.cpp - --make-freq: vemo.freq from a CSV of ratios, byte
// for byte as a careful typist writes it, and nothing at all from a bad row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/make_freq.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using testing_support::ScratchDir;

testing_support::RunResult run(const ScratchDir& dir, const std::string& program,
                               const std::vector<std::string>& arguments) {
  testing_support::RunOptions options;
  options.working_directory = dir.path();
  return testing_support::run_program(program, options, arguments);
}

const std::string examples = FREQ2EQUAT_EXAMPLES;

// The bundled example as a CSV (columns shuffled, a comment column, the
// first block's reference from the mass table) comes back byte for byte;
// the file checks clean with a table made for it and converts to the
// example's equations.
TEST(MakeFreq, BundledExampleRoundTrips) {
  ScratchDir dir;
  const auto made =
      run(dir, FREQ2EQUAT_CHECK_PROGRAM,
          {"--make-freq", std::string(FREQ2EQUAT_TEST_DATA) + "/check/example-ratios.csv"});
  ASSERT_EQ(made.exit_status, 0) << made.standard_error;
  EXPECT_EQ(dir.read("vemo.freq"), testing_support::read_file(examples + "/vemo.freq"));
  ASSERT_EQ(run(dir, FREQ2EQUAT_CHECK_PROGRAM, {"--make-table", "ionization.data"}).exit_status, 0);
  const auto checked = run(dir, FREQ2EQUAT_CHECK_PROGRAM, {});
  EXPECT_EQ(checked.exit_status, 0) << checked.standard_error;
  dir.write("ionization.data", *testing_support::read_file(examples + "/ionization.data"));
  ASSERT_EQ(run(dir, FREQ2EQUAT_PROGRAM, {}).exit_status, 0);
  EXPECT_EQ(dir.read("vemo.equat"), testing_support::read_file(examples + "/expected.equat"));
}

// A bad value is an error at CSV:LINE:COLUMN and nothing is written; the
// second line of each CSV is the one row.
TEST(MakeFreq, BadRowsWriteNothing) {
  const std::string header =
      "A,symbol,charge,ratio,uncertainty,direction,ref_A,ref_symbol,ref_charge,ref_mass_excess,"
      "ref_uncertainty\n";
  const struct {
    const char* name;
    std::string rows;
    std::string place;
    std::string words;
  } cases[] = {
      {"DigitsLost", "133,Cs,1,1.565221536814812,1e-9,,85,Rb,1,table,table\n", "r.csv:2:10",
       "1 digit beyond the 8 decimals"},
      {"TooWide", "133,Cs,1,1e20,1e-9,,85,Rb,1,table,table\n", "r.csv:2:10", "its field holds 19"},
      {"UnknownSymbol", "133,Cx,1,1.5,1e-9,,85,Rb,1,table,table\n", "r.csv:2:5", "'Cx'"},
      {"ChargeZero", "133,Cs,0,1.5,1e-9,,85,Rb,1,table,table\n", "r.csv:2:8", "charge"},
      {"NoDirection", "133,Cs,1,1.5,1e-9,up,85,Rb,1,table,table\n", "r.csv:2:19", "'up'"},
      {"NegativeUncertainty", "133,Cs,1,1.5,-1e-9,,85,Rb,1,table,table\n", "r.csv:2:14", "above 0"},
      {"MoleculeFromTheTable", "133,Cs,1,1.5,1e-9,,28,CO,1,table,0.1\n", "r.csv:2:28", "no 28CO"},
      {"TwoValuesOfOneReference",
       "133,Cs,1,1.5,1e-9,,85,Rb,1,-88210.264,0.005\n87,Rb,1,1.02,1e-9,,85,Rb,1,-88210.3,0.005\n",
       "r.csv:3:28", "line 2"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    dir.write("r.csv", header + c.rows);
    const auto made = run(dir, FREQ2EQUAT_CHECK_PROGRAM, {"--make-freq", "r.csv"});
    EXPECT_EQ(made.exit_status, 1) << c.name;
    EXPECT_NE(made.standard_error.find(c.place + ": error: "), std::string::npos)
        << c.name << "\n"
        << made.standard_error;
    EXPECT_NE(made.standard_error.find(c.words), std::string::npos) << c.name;
    EXPECT_FALSE(dir.read("vemo.freq")) << c.name;
  }
}

// An existing vemo.freq is never replaced.
TEST(MakeFreq, NeverOverAnExistingFile) {
  ScratchDir dir;
  dir.write("vemo.freq", "mine\n");
  const auto made =
      run(dir, FREQ2EQUAT_CHECK_PROGRAM,
          {"--make-freq", std::string(FREQ2EQUAT_TEST_DATA) + "/check/example-ratios.csv"});
  EXPECT_EQ(made.exit_status, 2);
  EXPECT_EQ(dir.read("vemo.freq"), "mine\n");
}

// The digits move, none changes: no double could hold 17 significant digits
// and an exponent moved by six places without rounding one of them.
TEST(MakeFreq, DecimalTextIsShiftedNotComputed) {
  const struct {
    const char* text;
    int shift;
    const char* expected;  // "" when refused, "lost N" when digits are lost
  } cases[] = {
      {"1.56522153681481", 6, "1565221.53681481"},
      {"0.97701734858711", 6, "977017.34858711"},
      {"1.5e-3", 6, "1500.00000000"},
      {"123456789.123456789e-10", 6, "lost 5"},
      {"12345.67891234000", 0, "12345.67891234"},
      {"-0.5", 0, "-0.50000000"},
      {"007", 6, "7000000.00000000"},
      {".5", 0, "0.50000000"},
      {"5.", 0, "5.00000000"},
      {"0.000000001", 0, "lost 1"},
      {"1.0000000123", 0, "lost 2"},
      {".", 0, ""},
      {"1e", 0, ""},
      {"1.2.3", 0, ""},
      {"1,5", 0, ""},
  };
  for (const auto& c : cases) {
    const check::ShiftedDecimal shifted = check::shifted_decimal(c.text, c.shift, 8);
    const std::string got = !shifted.valid     ? ""
                            : shifted.lost > 0 ? "lost " + std::to_string(shifted.lost)
                                               : shifted.text;
    EXPECT_EQ(got, c.expected) << c.text;
  }
}

}  // namespace
