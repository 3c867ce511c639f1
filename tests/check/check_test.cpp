// check_test.cpp - the real freq2equat-check on small files, one per
// finding, and beside the real converter on the worked and bundled examples.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
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

RunResult check(const ScratchDir& dir, const std::vector<std::string>& arguments = {}) {
  RunOptions options;
  options.working_directory = dir.path();
  return testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, arguments);
}

std::string rows_of_xenon(int count) {
  std::string rows;
  for (int i = 1; i <= count; ++i)
    rows += std::to_string(i) + " Xe " + std::to_string(i) + " 1.0\n";
  return rows;
}

std::string examples_file(const char* name) {
  return testing_support::read_file(std::string(FREQ2EQUAT_EXAMPLES) + "/" + name).value();
}

struct Finding {
  const char* name;
  std::string freq;
  std::string table;
  std::vector<std::string> arguments;
  std::string diagnostic;  // the first line of the finding, exactly (a prefix for the last one)
  int exit_status;
};

void PrintTo(const Finding& finding, std::ostream* out) { *out << finding.name; }

// Findings start a line of standard error; the first one needs a line end
// in front to be found the same way.
std::string with_line_end(const std::string& text) { return "\n" + text; }

class Findings : public testing::TestWithParam<Finding> {};

// Each slip is found, on its line and column, with the words it was given.
TEST_P(Findings, ReportsTheSlipOnItsLineAndColumn) {
  const Finding& finding = GetParam();
  ScratchDir dir;
  dir.write("vemo.freq", finding.freq);
  dir.write("ionization.data", finding.table);
  const RunResult result = check(dir, finding.arguments);
  EXPECT_EQ(result.exit_status, finding.exit_status);
  EXPECT_NE(with_line_end(result.standard_error).find("\n" + finding.diagnostic), std::string::npos)
      << "missing: " << finding.diagnostic << "\nin:\n"
      << result.standard_error;
  // The check changes nothing and leaves nothing behind.
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"ionization.data", "vemo.freq"}));
  EXPECT_EQ(dir.read("vemo.freq"), finding.freq);
}

const Finding findings[] = {
    {"FlagColumnDigit",
     std::string(R) + " 133Cs     1    1565221.5368474 4   0.00012000\n",
     T,
     {},
     "vemo.freq:2:33: warning: '4' in the flag columns 32-33 makes the converter take the ratio as "
     "the inverse ratio: is the ratio one column too far right?",
     1},
    {"Tab",
     std::string(R) + " 133Cs\t    1   1565221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:7: warning: a tab: the converter fills blanks up to column 9 (tab stops every 8 "
     "columns), so every field after it moves; write blanks instead",
     1},
    {"LowerCaseNew",
     std::string(R) + M + "    new\n" + R + M,
     T,
     {},
     "vemo.freq:3:5: warning: 'new ' is not the block end: only \"NEW \" in columns 5-8 ends a "
     "block, so the converter reads this line as a measurement, and the next block's reference too",
     1},
    {"MarkerAsReference",
     std::string(R) + M + "    NEW\n    NEW\n" + M,
     T,
     {},
     "vemo.freq:4:5: warning: a NEW line where the block's reference line must stand (two NEW "
     "lines in a row?): the converter reads it as the reference",
     1},
    {"NoDecimalPoint",
     std::string(R) + " 133Cs     1   156522153684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:16: warning: no decimal point in the ratio (columns 13-31): '156522153684744' "
     "reads as 1565221.53684744 (the last 8 digits are taken as decimals)",
     1},
    {"NoDecimalPointValue",
     std::string(R) + " 133Cs     1           1023523     0.00012000\n",
     T,
     {},
     "vemo.freq:2:24: warning: no decimal point in the ratio (columns 13-31): '1023523' reads as "
     "0.01023523 (the last 8 digits are taken as decimals)",
     1},
    {"FlagMissing",
     std::string(R) + " 133Cs     1    638887.24719430     0.00012000\n",
     T,
     {},
     "vemo.freq:2:17: warning: this ratio fits the inverse of 133Cs 1+ over 85Rb 1+, but the blank "
     "flag makes the converter take it as it stands: is the flag in columns 32-33 missing?",
     1},
    {"FlagWrong",
     std::string(R) + " 133Cs     1   1565221.53684744 I   0.00012000\n",
     T,
     {},
     "vemo.freq:2:16: warning: this ratio fits 133Cs 1+ over 85Rb 1+ itself, but the flag in "
     "columns 32-33 makes the converter take its inverse: is the flag wrong?",
     1},
    {"RatioFitsNeither",
     std::string(R) + " 133Cs     1   1665221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:16: warning: this ratio fits neither 133Cs 1+ over 85Rb 1+ (about 1564706) nor "
     "its inverse (about 639098): is a digit or a column wrong, or a mass number or charge state?",
     1},
    {"UncertaintyInfinite",
     std::string(R) + " 133Cs     1    1565221.5368474 4 I0.00012000\n",
     T,
     {},
     "vemo.freq:2:35: warning: 'I0.00012000' in the uncertainty (columns 34-46) reads as infinity: "
     "a field that starts with I or N is infinity or NaN, whatever follows",
     1},
    {"ChargeZero",
     std::string(R) + " 133Cs     0   1565221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:12: warning: charge state 0: the equation divides by it, and the converter "
     "writes infinities and NaN",
     1},
    {"ChargeNegative",
     std::string(R) + " 133Cs    -1   1565221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:11: warning: negative charge state -1: the equation takes it as it stands",
     1},
    {"UncertaintyZero",
     std::string(R) + " 133Cs     1   1565221.53684744     0.00000000\n",
     T,
     {},
     "vemo.freq:2:37: warning: the ratio has no uncertainty (0)",
     1},
    {"UncertaintyNegative",
     std::string(R) + " 133Cs     1   1565221.53684744    -0.00012000\n",
     T,
     {},
     "vemo.freq:2:36: warning: negative uncertainty of the ratio",
     1},
    {"ReferenceWithoutUncertainty",
     std::string("  85Rb     1    -88210.35000000     0.00000000\n") + M,
     T,
     {},
     "vemo.freq:1:37: warning: the reference mass excess has no uncertainty (0)",
     1},
    {"SymbolNotElement",
     std::string(R) + "  85RB     1   1000000.00000000     0.00012000\n",
     T,
     {},
     "vemo.freq:2:5: warning: 'RB' is not an element or a molecule as the converter reads it",
     1},
    {"SymbolShifted",
     std::string(R) + "  133Cs    1   1565221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:5: warning: '3Cs' is not an element or a molecule as the converter reads it",
     1},
    {"CarriageReturnAlone",
     std::string("  85Rb     1    -88210.35000000     0.00500000\r") + M,
     T,
     {},
     "vemo.freq:1:47: warning: a CR without LF: a line end of CR alone is no line end here; the "
     "converter drops the CR and reads what follows as part of this line",
     1},
    {"LinesEndingInCarriageReturnAlone",
     std::string("  85Rb     1    -88210.35000000     0.00500000\r") + "x\r",
     T,
     {},
     "vemo.freq:1:47: warning: the lines from here on end in CR alone, which ends no line here: "
     "the converter never reads them; save the file with LF or CR LF line ends",
     1},
    {"LastLineWithoutLineEnd",
     std::string(R) + " 133Cs     1   1565221.53684744     0.00012000",
     T,
     {},
     "vemo.freq:2:47: warning: the last line has no line end",
     1},
    {"MissingEnergyMeasured",
     std::string(R) + M,
     std::string("37 Rb 1 4.177\n"),
     {},
     "vemo.freq:2:5: warning: no binding energy for Cs with charge 1 in ionization.data: the "
     "converter writes its warning record and no binding-energy correction",
     1},
    {"MissingEnergyReference",
     std::string(R) + M,
     std::string("55 Cs 1 3.894\n"),
     {},
     "vemo.freq:1:5: warning: no binding energy for Rb with charge 1 in ionization.data: every "
     "equation of this block gets the converter's warning record and no binding-energy correction",
     1},
    {"IllegalCharacter",
     std::string(R) + " 133Cs     1   1565221.5368x744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:28: error: 'x' is not allowed in the ratio (columns 13-31): the converter stops "
     "here and writes \"Error in File Reading\", and no equation",
     1},
    {"EndAfterMarker",
     std::string(R) + M + "    NEW\n",
     T,
     {},
     "vemo.freq:3:5: error: the file ends after this NEW line, where a reference line must follow: "
     "the converter ends with \"Error in File Reading\", although the equation before it is "
     "written",
     1},
    {"EmptyFile",
     "",
     T,
     {},
     "vemo.freq:1:1: error: no line to read as the first reference line: the converter writes only "
     "\"Error in File Reading\"",
     1},
    {"ByteOrderMarkFreq",
     std::string("\xef"
                 "\xbb"
                 "\xbf"
                 "") +
         R + M,
     T,
     {},
     "vemo.freq:1:1: error: byte 0xEF is not allowed in the mass number (columns 1-4): the "
     "converter stops here and writes \"Error in File Reading\", and no equation",
     1},
    {"ByteOrderMarkTable",
     std::string(R) + M,
     std::string("\xef"
                 "\xbb"
                 "\xbf"
                 "") +
         T,
     {},
     "ionization.data:1:1: warning: the file starts with a byte-order mark (bytes EF BB BF): the "
     "converter reads it as part of the first value, so the first row is not loaded; save the file "
     "without it",
     1},
    {"TableChargeMissing",
     std::string(R) + M,
     std::string("37 Rb 4.177\n55 Cs 1 3.894\n"),
     {},
     "ionization.data:1:7: warning: '4.177' is not a charge state (an integer): the converter "
     "keeps this row with symbol Rb and no energy, so no ion finds it (is the charge missing?)",
     1},
    {"TableEnergyMissing",
     std::string(R) + M,
     std::string("37 Rb 1\n55 Cs 1 3.894\n"),
     {},
     "ionization.data:1:1: warning: this row runs on to line 2 and takes its energy '55' from "
     "there: is a value missing on this line?",
     1},
    {"TableRowsPast450",
     std::string(R) + M,
     std::string(T) + rows_of_xenon(449),
     {},
     "ionization.data:451:1: warning: the converter loads 450 rows: this row and every row after "
     "it are not loaded",
     1},
    {"TableDuplicate",
     std::string(R) + M,
     std::string(T) + "37 Rb 1 4.2\n",
     {},
     "ionization.data:3:4: warning: Rb with charge 1 is in the table twice: the converter uses "
     "this later row, not the one on line 1",
     1},
    {"TableEnergyZero",
     std::string(R) + M,
     std::string("37 Rb 1 4.177\n55 Cs 1 0\n"),
     {},
     "ionization.data:2:9: warning: the energy of Cs with charge 1 is 0: the converter treats it "
     "as missing",
     1},
    {"TableLastRowShort",
     std::string(R) + M,
     std::string(T) + "56 Ba 1\n",
     {},
     "ionization.data:3:1: warning: the last row has only 3 of its four values (number, symbol, "
     "charge, energy): the converter does not load it",
     1},
    {"TableLastLineWithoutLineEnd",
     std::string(R) + M,
     std::string(T) + "56 Ba 1 5.2",
     {},
     "ionization.data:3:12: warning: the last line has no line end",
     1},
    {"TableFifthValue",
     std::string(R) + M,
     std::string("37 'Rb' , 1 4.177\n55 Cs 1 3.894\n"),
     {},
     "ionization.data:1:13: warning: the converter does not read '4.177' after the fourth value of "
     "this row; the next row starts on the next line",
     1},
    {"MassFarFromTable",
     std::string("  85Rb     1    -88210.26396000     0.00537000\n 133Cs     1   1565221.53881481  "
                 "   0.00039131\n"),
     std::string("37 Rb 1 4.177128\n55 Cs 1 3.893906\n"),
     {"--masses", "default"},
     "vemo.freq:2:16: warning: the mass excess of 133Cs, -94547.872178 micro-u, is 4.8 sigma "
     "(0.169822 micro-u) from the mass table's -94548.042000: the ratio, the flag or the reference "
     "may be wrong",
     1},
    {"ReferenceFarFromTable",
     std::string("  85Rb     1    -88211.26396000     0.00537000\n"),
     T,
     {"--masses", "default"},
     "vemo.freq:1:17: warning: the reference mass excess of 85Rb is 131.7 sigma (-1.000000 "
     "micro-u) from the mass table's -88210.263960: a typing error in it is more likely than new "
     "physics",
     1},
    {"ReferenceAbsurdlyFarFromTable",
     std::string("  85Rb     1             1.0E30     0.00537000\n"),
     T,
     {"--masses", "default"},
     "vemo.freq:1:26: warning: the reference mass excess of 85Rb is 1.3e+32 sigma (",
     1},
};

INSTANTIATE_TEST_SUITE_P(Check, Findings, testing::ValuesIn(findings),
                         [](const testing::TestParamInfo<Finding>& param) {
                           return std::string(param.param.name);
                         });

// A clean input prints the summary only and exits 0 (the worked example's
// reference is off the mass table on purpose, so without the table).
TEST(Check, CleanInputPrintsOnlyTheSummary) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  dir.write("ionization.data", T);
  const RunResult result = check(dir, {"--no-masses"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.standard_error, "");
  EXPECT_EQ(
      result.standard_output,
      "vemo.freq: 1 block, 1 measurement, 1 equation would be written; ionization.data: 2 rows "
      "loaded; 0 errors, 0 warnings\n");
}

// The bundled examples hold no error; their one warning (138Ba without a
// binding energy) is meant and explained in examples/README.md.
TEST(Check, BundledExamplesHaveOnlyTheirIntendedWarning) {
  const RunResult result = check(ScratchDir(), {"--masses", "default", FREQ2EQUAT_EXAMPLES});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.standard_error.find(": error: "), std::string::npos) << result.standard_error;
  EXPECT_NE(with_line_end(result.standard_error)
                .find("\n" + std::string(FREQ2EQUAT_EXAMPLES) +
                      "/vemo.freq:11:5: warning: no binding energy for Ba with charge 1"),
            std::string::npos)
      << result.standard_error;
  EXPECT_NE(result.standard_output.find("0 errors, 1 warning\n"), std::string::npos);
}

// The mass excesses the checker shows are the converter's, digit for digit.
std::vector<std::string> mass_excesses_in_equations(const std::string& equations) {
  std::vector<std::string> found;
  for (std::size_t at = equations.find(" micro-u\r\n"); at != std::string::npos;
       at = equations.find(" micro-u\r\n", at + 1)) {
    const std::size_t line = equations.rfind('\n', at) + 1;
    const std::string record = equations.substr(line, at - line);
    const std::size_t equals = record.find('=');
    const std::size_t value = record.find_first_not_of(' ', equals + 1);
    found.push_back(record.substr(value, record.find(' ', value) - value));
  }
  return found;
}

std::vector<std::string> mass_excesses_in_listing(const std::string& output) {
  std::vector<std::string> found;
  const std::string mark = "; mass excess ";
  for (std::size_t at = output.find(mark); at != std::string::npos;
       at = output.find(mark, at + 1)) {
    const std::size_t value = at + mark.size();
    found.push_back(output.substr(value, output.find(' ', value) - value));
  }
  return found;
}

void expect_same_mass_excesses(const std::string& freq, const std::string& table) {
  ScratchDir converted;
  converted.write("vemo.freq", freq);
  converted.write("ionization.data", table);
  RunOptions options;
  options.working_directory = converted.path();
  ASSERT_EQ(testing_support::run_program(FREQ2EQUAT_PROGRAM, options).exit_status, 0);
  const auto written = mass_excesses_in_equations(converted.read("vemo.equat").value());
  ScratchDir checked;
  checked.write("vemo.freq", freq);
  checked.write("ionization.data", table);
  const auto shown = mass_excesses_in_listing(check(checked, {"-v"}).standard_output);
  EXPECT_FALSE(written.empty());
  EXPECT_EQ(shown, written);
}

TEST(Check, MassExcessesAreTheConvertersOnTheWorkedExample) {
  expect_same_mass_excesses(std::string(R) + M, T);
}

TEST(Check, MassExcessesAreTheConvertersOnTheBundledExamples) {
  expect_same_mass_excesses(examples_file("vemo.freq"), examples_file("ionization.data"));
}

// Read-only data is checked as it is: nothing is opened for writing.
TEST(Check, ReadsReadOnlyData) {
  if (!testing_support::can_run_unprivileged())
    GTEST_SKIP() << "needs root to drop to an unprivileged user";
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  dir.write("ionization.data", T);
  ASSERT_EQ(chmod(dir.file("vemo.freq").c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir.file("ionization.data").c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  RunOptions options;
  options.working_directory = dir.path();
  options.unprivileged = true;
  const RunResult result =
      testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, {"--no-masses"});
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(result.exit_status, 0) << result.standard_error;
  EXPECT_EQ(result.standard_error, "");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"ionization.data", "vemo.freq"}));
}

// On every bundled conformance case the checker agrees with the converter's
// expected file: an error exactly where it ends with "Error in File
// Reading", and as many equations as it writes. Each case also stands for a
// hostile input the checker must get through.
TEST(Check, AgreesWithTheConverterOnEveryConformanceCase) {
  namespace fs = std::filesystem;
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(FREQ2EQUAT_TEST_DATA) / "conformance")) {
    const fs::path input = entry.path() / "input";
    const auto equations =
        testing_support::read_file((entry.path() / "expected" / "vemo.equat").string());
    const auto status =
        testing_support::read_file((entry.path() / "expected" / "exit_status").string());
    if (!fs::exists(input / "vemo.freq") || !fs::exists(input / "ionization.data") || !equations ||
        status.value_or("") != "0\n") {
      continue;  // a case about connections or the disk, not about what the files hold
    }
    RunOptions options;
    const std::string env =
        testing_support::read_file((entry.path() / "env.txt").string()).value_or("");
    for (std::size_t at = 0; at < env.size();) {
      const std::size_t end = std::min(env.find('\n', at), env.size());
      const std::string line = env.substr(at, end - at);
      const auto eq = line.find('=');
      if (eq != std::string::npos)
        options.environment.emplace_back(line.substr(0, eq), line.substr(eq + 1));
      at = end + 1;
    }
    const RunResult result =
        testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options,
                                     {"--freq", (input / "vemo.freq").string(), "--table",
                                      (input / "ionization.data").string()});
    SCOPED_TRACE(entry.path().filename().string());
    ASSERT_TRUE(result.exit_status == 0 || result.exit_status == 1) << result.standard_error;
    const bool failure_end = equations->find("0Error in File Reading") != std::string::npos;
    EXPECT_EQ(
        result.standard_output.find(failure_end ? " 1 error," : " 0 errors,") != std::string::npos,
        true)
        << result.standard_output;
    long written = 0;
    for (std::size_t at = equations->find(" micro-u\r\n"); at != std::string::npos;
         at = equations->find(" micro-u\r\n", at + 1)) {
      ++written;
    }
    EXPECT_NE(result.standard_output.find(", " + std::to_string(written) +
                                          (written == 1 ? " equation would" : " equations would")),
              std::string::npos)
        << result.standard_output;
    ++checked;
  }
  EXPECT_GE(checked, 30);
}

struct Refusal {
  const char* name;
  std::vector<std::string> arguments;
  std::string message;  // the whole of standard error
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class Refusals : public testing::TestWithParam<Refusal> {};

// What cannot be checked is one line and exit status 2, never a report of
// the record layer.
TEST_P(Refusals, SayWhyInOneLineWithStatus2) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  dir.write("ionization.data", T);
  const RunResult result = check(dir, GetParam().arguments);
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.standard_error, GetParam().message);
  EXPECT_EQ(result.standard_output, "");
}

const Refusal refusals[] = {
    {"UnknownOption", {"--fast"}, "freq2equat-check: unknown option '--fast' (see --help)\n"},
    {"PlotOverAnInput",
     {"--plot", "./vemo.freq"},
     "freq2equat-check: --plot './vemo.freq' names an input file, 'vemo.freq'\n"},
    {"MissingValue", {"--freq"}, "freq2equat-check: option '--freq' needs a value (see --help)\n"},
    {"MissingFile",
     {"--freq", "absent.freq"},
     "freq2equat-check: cannot read 'absent.freq': No such file or directory\n"},
    {"DirectoryAsFile", {"--table", "."}, "freq2equat-check: cannot read '.': Is a directory\n"},
    {"MissingMassTable",
     {"--masses", "absent.csv"},
     "freq2equat-check: cannot read 'absent.csv': No such file or directory\n"},
};

INSTANTIATE_TEST_SUITE_P(Check, Refusals, testing::ValuesIn(refusals),
                         [](const testing::TestParamInfo<Refusal>& param) {
                           return std::string(param.param.name);
                         });

TEST(Check, HelpAndVersion) {
  const RunResult help = check(ScratchDir(), {"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.standard_output.rfind("Usage: freq2equat-check [OPTION]... [DIR]\n", 0), 0u);
  const RunResult version = check(ScratchDir(), {"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.standard_output.rfind("freq2equat-check (freq2equat) ", 0), 0u);
}

}  // namespace
