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

#include "tests/check/finding_cases.h"
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
  std::string place;  // FILE:LINE:COLUMN of the finding
  std::string id;
  int exit_status;
};

void PrintTo(const Finding& finding, std::ostream* out) { *out << finding.name; }

class Findings : public testing::TestWithParam<Finding> {};

// Each slip is found, on its line and column, with its identifier.
TEST_P(Findings, ReportsTheSlipOnItsLineAndColumn) {
  const Finding& finding = GetParam();
  ScratchDir dir;
  dir.write("vemo.freq", finding.freq);
  dir.write("ionization.data", finding.table);
  const RunResult result = check(dir, finding.arguments);
  EXPECT_EQ(result.exit_status, finding.exit_status);
  EXPECT_TRUE(finding_cases::has_finding(result.standard_error, finding.place, finding.id))
      << "missing: " << finding.place << " ... [" << finding.id << "]\nin:\n"
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
     "vemo.freq:2:33",
     "stray-flag",
     1},
    {"Tab",
     std::string(R) + " 133Cs\t    1   1565221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:7",
     "tab-moves-fields",
     1},
    {"LowerCaseNew",
     std::string(R) + M + "    new\n" + R + M,
     T,
     {},
     "vemo.freq:3:5",
     "block-marker-spelling",
     1},
    {"MarkerAsReference",
     std::string(R) + M + "    NEW\n    NEW\n" + M,
     T,
     {},
     "vemo.freq:4:5",
     "new-as-reference",
     1},
    {"NoDecimalPoint",
     std::string(R) + " 133Cs     1   156522153684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:16",
     "no-decimal-point",
     1},
    {"NoDecimalPointValue",
     std::string(R) + " 133Cs     1           1023523     0.00012000\n",
     T,
     {},
     "vemo.freq:2:24",
     "no-decimal-point",
     1},
    {"FlagMissing",
     std::string(R) + " 133Cs     1    638887.24719430     0.00012000\n",
     T,
     {},
     "vemo.freq:2:17",
     "flag-missing",
     1},
    {"FlagWrong",
     std::string(R) + " 133Cs     1   1565221.53684744 I   0.00012000\n",
     T,
     {},
     "vemo.freq:2:16",
     "flag-wrong",
     1},
    {"RatioFitsNeither",
     std::string(R) + " 133Cs     1   1665221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:16",
     "ratio-window",
     1},
    {"UncertaintyInfinite",
     std::string(R) + " 133Cs     1    1565221.5368474 4 I0.00012000\n",
     T,
     {},
     "vemo.freq:2:35",
     "not-finite-field",
     1},
    {"ChargeZero",
     std::string(R) + " 133Cs     0   1565221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:12",
     "charge-zero",
     1},
    {"ChargeNegative",
     std::string(R) + " 133Cs    -1   1565221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:11",
     "charge-negative",
     1},
    {"UncertaintyZero",
     std::string(R) + " 133Cs     1   1565221.53684744     0.00000000\n",
     T,
     {},
     "vemo.freq:2:37",
     "ratio-uncertainty-zero",
     1},
    {"UncertaintyNegative",
     std::string(R) + " 133Cs     1   1565221.53684744    -0.00012000\n",
     T,
     {},
     "vemo.freq:2:36",
     "ratio-uncertainty-negative",
     1},
    {"ReferenceWithoutUncertainty",
     std::string("  85Rb     1    -88210.35000000     0.00000000\n") + M,
     T,
     {},
     "vemo.freq:1:37",
     "reference-uncertainty-zero",
     1},
    {"SymbolNotElement",
     std::string(R) + "  85RB     1   1000000.00000000     0.00012000\n",
     T,
     {},
     "vemo.freq:2:5",
     "unknown-symbol",
     1},
    {"SymbolShifted",
     std::string(R) + "  133Cs    1   1565221.53684744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:5",
     "unknown-symbol",
     1},
    {"CarriageReturnAlone",
     std::string("  85Rb     1    -88210.35000000     0.00500000\r") + M,
     T,
     {},
     "vemo.freq:1:47",
     "lone-cr",
     1},
    {"LinesEndingInCarriageReturnAlone",
     std::string("  85Rb     1    -88210.35000000     0.00500000\r") + "x\r",
     T,
     {},
     "vemo.freq:1:47",
     "cr-line-ends",
     1},
    {"LastLineWithoutLineEnd",
     std::string(R) + " 133Cs     1   1565221.53684744     0.00012000",
     T,
     {},
     "vemo.freq:2:47",
     "last-line-no-end",
     1},
    {"MissingEnergyMeasured",
     std::string(R) + M,
     std::string("37 Rb 1 4.177\n"),
     {},
     "vemo.freq:2:5",
     "binding-energy-missing",
     1},
    {"MissingEnergyReference",
     std::string(R) + M,
     std::string("55 Cs 1 3.894\n"),
     {},
     "vemo.freq:1:5",
     "reference-binding-energy-missing",
     1},
    {"IllegalCharacter",
     std::string(R) + " 133Cs     1   1565221.5368x744     0.00012000\n",
     T,
     {},
     "vemo.freq:2:28",
     "read-stop",
     1},
    {"EndAfterMarker",
     std::string(R) + M + "    NEW\n",
     T,
     {},
     "vemo.freq:3:5",
     "ends-after-new",
     1},
    {"EmptyFile", "", T, {}, "vemo.freq:1:1", "no-reference-line", 1},
    {"ByteOrderMarkFreq",
     std::string("\xef"
                 "\xbb"
                 "\xbf"
                 "") +
         R + M,
     T,
     {},
     "vemo.freq:1:1",
     "read-stop",
     1},
    {"ByteOrderMarkTable",
     std::string(R) + M,
     std::string("\xef"
                 "\xbb"
                 "\xbf"
                 "") +
         T,
     {},
     "ionization.data:1:1",
     "byte-order-mark",
     1},
    {"TableChargeMissing",
     std::string(R) + M,
     std::string("37 Rb 4.177\n55 Cs 1 3.894\n"),
     {},
     "ionization.data:1:7",
     "row-value-refused",
     1},
    {"TableEnergyMissing",
     std::string(R) + M,
     std::string("37 Rb 1\n55 Cs 1 3.894\n"),
     {},
     "ionization.data:1:1",
     "row-runs-on",
     1},
    {"TableRowsPast450",
     std::string(R) + M,
     std::string(T) + rows_of_xenon(449),
     {},
     "ionization.data:451:1",
     "rows-over-capacity",
     1},
    {"TableDuplicate",
     std::string(R) + M,
     std::string(T) + "37 Rb 1 4.2\n",
     {},
     "ionization.data:3:4",
     "row-duplicate",
     1},
    {"TableEnergyZero",
     std::string(R) + M,
     std::string("37 Rb 1 4.177\n55 Cs 1 0\n"),
     {},
     "ionization.data:2:9",
     "row-energy-missing",
     1},
    {"TableLastRowShort",
     std::string(R) + M,
     std::string(T) + "56 Ba 1\n",
     {},
     "ionization.data:3:1",
     "row-incomplete-at-end",
     1},
    {"TableLastLineWithoutLineEnd",
     std::string(R) + M,
     std::string(T) + "56 Ba 1 5.2",
     {},
     "ionization.data:3:12",
     "last-line-no-end",
     1},
    {"TableFifthValue",
     std::string(R) + M,
     std::string("37 'Rb' , 1 4.177\n55 Cs 1 3.894\n"),
     {},
     "ionization.data:1:13",
     "row-leftover",
     1},
    {"MassFarFromTable",
     std::string("  85Rb     1    -88210.26396000     0.00537000\n 133Cs     1   1565221.53881481  "
                 "   0.00039131\n"),
     std::string("37 Rb 1 4.177128\n55 Cs 1 3.893906\n"),
     {"--masses", "default"},
     "vemo.freq:2:16",
     "mass-excess-far-from-table",
     1},
    {"ReferenceFarFromTable",
     std::string("  85Rb     1    -88211.26396000     0.00537000\n"),
     T,
     {"--masses", "default"},
     "vemo.freq:1:17",
     "reference-far-from-table",
     1},
    {"ReferenceAbsurdlyFarFromTable",
     std::string("  85Rb     1             1.0E30     0.00537000\n"),
     T,
     {"--masses", "default"},
     "vemo.freq:1:26",
     "reference-far-from-table",
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
  EXPECT_TRUE(
      finding_cases::has_finding(result.standard_error, "vemo.freq:11:5", "binding-energy-missing"))
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

// A symbol holding an escape sequence would act on the terminal: the -v
// listing shows its control byte as <1B>, as a finding does.
TEST(Check, ListingShowsControlBytesOfASymbol) {
  ScratchDir dir;
  std::string measurement = M;
  measurement.replace(4, 4, "\x1b[2J");
  dir.write("vemo.freq", std::string(R) + measurement);
  dir.write("ionization.data", T);
  const RunResult run = check(dir, {"-v", "--no-masses"});
  EXPECT_EQ(run.standard_output.find('\x1b'), std::string::npos);
  EXPECT_NE(run.standard_output.find("<1B>[2J"), std::string::npos) << run.standard_output;
}

}  // namespace
