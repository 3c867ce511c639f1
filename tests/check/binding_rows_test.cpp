// binding_rows_test.cpp - the binding-energy rows on the real checker: the
// table it makes, the slips it names in a row, and the correction's
// uncertainty it carries to the user.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "check/correction_uncertainty.h"
#include "nuclides/binding_energy_data.h"
#include "tests/check/finding_cases.h"
#include "tests/support/faulty_fs.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

constexpr const char* R = testing_support::worked_reference;
constexpr const char* M = testing_support::worked_measurement;

RunResult run(const char* program, const ScratchDir& dir,
              const std::vector<std::string>& arguments = {}) {
  RunOptions options;
  options.working_directory = dir.path();
  return testing_support::run_program(program, options, arguments);
}

std::string examples_file(const char* name) {
  return testing_support::read_file(std::string(FREQ2EQUAT_EXAMPLES) + "/" + name).value();
}

// Each micro-u mass excess of an equations file, in order; NaN for the
// groups after a warning record (no correction made).
std::vector<double> corrected_mass_excesses(const std::string& equations) {
  std::vector<double> found;
  bool warned = false;
  std::size_t at = 0;
  while (at < equations.size()) {
    const std::size_t end = equations.find('\n', at);
    const std::string line = equations.substr(at, end - at);
    at = end == std::string::npos ? equations.size() : end + 1;
    if (line.find("WARNING") != std::string::npos) warned = true;
    if (line.find(" micro-u\r") == std::string::npos) continue;
    const std::size_t equals = line.find('=');
    found.push_back(warned ? NAN : std::strtod(line.c_str() + equals + 1, nullptr));
    warned = false;
  }
  return found;
}

std::string converted(const std::string& freq, const std::string& table) {
  ScratchDir dir;
  dir.write("vemo.freq", freq);
  dir.write("ionization.data", table);
  EXPECT_EQ(run(FREQ2EQUAT_PROGRAM, dir).exit_status, 0);
  return dir.read("vemo.equat").value_or("");
}

// --make-table where no table exists yet: a row for every ion of the
// example (barium too, which the bundled table leaves out), and the
// conversion with it agrees with the bundled table's to the printed digit,
// far inside what the shipped uncertainties of these singly charged ions
// allow. A made row with a wrong digit or charge would move a mass excess.
TEST(MakeTable, RowsForTheExamplesAgreeWithTheExamplesTable) {
  ScratchDir dir;
  dir.write("vemo.freq", examples_file("vemo.freq"));
  const RunResult made = run(FREQ2EQUAT_CHECK_PROGRAM, dir, {"--make-table", "ionization.data"});
  ASSERT_EQ(made.exit_status, 0) << made.standard_error;
  EXPECT_EQ(made.standard_error, "");
  EXPECT_EQ(made.standard_output, "ionization.data: 13 rows written for the ions of vemo.freq\n");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"ionization.data", "vemo.freq"}));
  const std::string table = dir.read("ionization.data").value();
  // Each row gives the shipped uncertainty of its total as a fifth value.
  EXPECT_NE(table.find(" 20 'Ca'     2 17.98487447 4.01e-06\n"), std::string::npos) << table;
  EXPECT_NE(table.find(" 56 'Ba'     1 5.2116646 "), std::string::npos) << table;
  EXPECT_EQ(table.find("Csm"), std::string::npos) << "the isomer letter is dropped";

  const auto with_made = corrected_mass_excesses(converted(examples_file("vemo.freq"), table));
  const auto with_bundled = corrected_mass_excesses(
      converted(examples_file("vemo.freq"), examples_file("ionization.data")));
  ASSERT_EQ(with_made.size(), 15u);
  ASSERT_EQ(with_bundled.size(), with_made.size());
  for (std::size_t i = 0; i < with_made.size(); ++i) {
    EXPECT_FALSE(std::isnan(with_made[i])) << "equation " << i + 1 << " has no correction";
    if (!std::isnan(with_bundled[i])) {
      EXPECT_NEAR(with_made[i], with_bundled[i], 1.5e-6) << "equation " << i + 1;
    }
  }
  // The made table passes its own check, without the bundled one's warning.
  EXPECT_EQ(run(FREQ2EQUAT_CHECK_PROGRAM, dir).exit_status, 0);
}

// The made table is a new file or nothing: an existing one is refused
// before anything is read, and no file is changed or left behind.
TEST(MakeTable, RefusesAnExistingFileAndChangesNothing) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  dir.write("ionization.data", "37 Rb 1 4.177\n");
  const RunResult result = run(FREQ2EQUAT_CHECK_PROGRAM, dir, {"--make-table", "ionization.data"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.standard_error,
            "freq2equat-check: 'ionization.data' exists: --make-table writes a new file only\n");
  EXPECT_EQ(result.standard_output, "");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"ionization.data", "vemo.freq"}));
  EXPECT_EQ(dir.read("ionization.data"), "37 Rb 1 4.177\n");
}

// The name is taken at the one moment the existence test cannot see: when
// the finished rows are linked into place. The file made meanwhile is kept
// as it is, and the temporary file goes.
TEST(MakeTable, NameTakenWhileWritingIsLeftAlone) {
  if (!testing_support::can_trace_system_calls()) {
    GTEST_SKIP() << "system calls of a child cannot be traced here (needs x86-64 Linux and ptrace)";
  }
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  int taken = 0;
  const auto hook = [&](testing_support::SystemCall& call) {
    if (!call.entry || (call.number != SYS_link && call.number != SYS_linkat)) return;
    if (call.read_string(call.arguments[call.number == SYS_link ? 1 : 3]) == "ionization.data") {
      dir.write("ionization.data", "rival\n");
      ++taken;
    }
  };
  RunOptions options;
  options.working_directory = dir.path();
  // The leak sanitizer, when built in, cannot work under a tracer.
  options.environment = {{"ASAN_OPTIONS", "detect_leaks=0"}};
  const RunResult result = testing_support::run_program_traced(
      FREQ2EQUAT_CHECK_PROGRAM, options, hook, {"--make-table", "ionization.data"});
  ASSERT_EQ(taken, 1) << "the rows were not linked into place";
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.standard_error,
            "freq2equat-check: 'ionization.data' exists: --make-table writes a new file only\n");
  EXPECT_EQ(dir.read("ionization.data"), "rival\n");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"ionization.data", "vemo.freq"}));
}

// On a file system without hard links (link() fails with EPERM, as on
// some FUSE and network ones) the rows are named by a rename that refuses
// to replace: the table is still written, and a file that took the name
// at that moment is kept, not overwritten.
TEST(MakeTable, WithoutHardLinksTheTableIsWrittenAndARivalKept) {
  const bool required = std::getenv("FREQ2EQUAT_REQUIRE_FUSE") != nullptr;
#ifndef TEST_SUPPORT_HAS_FUSE
  if (required) FAIL() << "built without libfuse3 (scripts/ensure-tools.sh --tests installs it)";
  GTEST_SKIP() << "built without libfuse3: no file system without hard links";
#else
  ScratchDir plain;
  plain.write("vemo.freq", std::string(R) + M);
  ASSERT_EQ(run(FREQ2EQUAT_CHECK_PROGRAM, plain, {"--make-table", "ionization.data"}).exit_status,
            0);
  const std::string rows = plain.read("ionization.data").value();
  for (const char* rival : {"", "rival\n"}) {
    SCOPED_TRACE(*rival == '\0' ? "no rival" : "rival");
    const ScratchDir backing;
    const ScratchDir mounted;
    backing.write("vemo.freq", std::string(R) + M);
    testing_support::Faults faults;
    faults.link_error = EPERM;
    faults.rival_at_link = rival;
    const testing_support::FaultyMount mount(backing.path(), mounted.path(), faults);
    if (!mount.failure().empty()) {
      if (required) FAIL() << mount.failure();
      GTEST_SKIP() << mount.failure();
    }
    RunOptions options;
    options.working_directory = mounted.path();
    options.timeout_ms = 20000;
    const RunResult result = testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options,
                                                          {"--make-table", "ionization.data"});
    EXPECT_EQ(mount.failed_links(), 1);
    if (*rival == '\0') {
      EXPECT_EQ(result.exit_status, 0) << result.standard_error;
      EXPECT_EQ(backing.read("ionization.data"), rows);
    } else {
      EXPECT_EQ(result.exit_status, 2);
      EXPECT_EQ(
          result.standard_error,
          "freq2equat-check: 'ionization.data' exists: --make-table writes a new file only\n");
      EXPECT_EQ(backing.read("ionization.data"), rival);
    }
    EXPECT_EQ(backing.names(), (std::vector<std::string>{"ionization.data", "vemo.freq"}));
  }
#endif
}

// A write that cannot be made is status 2 with the system's reason, and
// leaves no temporary file.
TEST(MakeTable, WriteFailureGivesTheSystemsReason) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  const RunResult result =
      run(FREQ2EQUAT_CHECK_PROGRAM, dir, {"--make-table", "absent/ionization.data"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.standard_error,
            "freq2equat-check: cannot write 'absent/ionization.data': No such file or directory\n");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"vemo.freq"}));
}

// A measurements file that names no ion (empty, or lines ended by CR
// alone) writes no empty table, gives the check's own findings about it and
// the status of a check with a finding; a FIFO or a directory is named as
// what it is, without waiting.
TEST(MakeTable, NothingToMakeItFromIsSaid) {
  struct Case {
    const char* name;
    void (*make)(const ScratchDir&);
    int status;
    const char* error;
  };
  const Case cases[] = {
      {"empty", [](const ScratchDir& dir) { dir.write("vemo.freq", ""); }, 1,
       "vemo.freq:1:1: error: no line to read as the first reference line: the converter writes "
       "only \"Error in File Reading\" [no-reference-line]\n"
       "freq2equat-check: 'vemo.freq' names no ion (no reference or measurement line read): "
       "'ionization.data' not written\n"},
      {"cr-only",
       [](const ScratchDir& dir) {
         dir.write("vemo.freq", "  85Rb     1\r 133Cs     1    1.565   43501.0271  0.01\r");
       },
       1,
       "vemo.freq:1:1: error: no line to read as the first reference line: the converter writes "
       "only \"Error in File Reading\" [no-reference-line]\n"
       "vemo.freq:1:13: warning: the lines from here on end in CR alone, which ends no line here: "
       "the converter never reads them; save the file with LF or CR LF line ends [cr-line-ends]\n"
       "  85Rb     1 133Cs     1    1.565   43501.0271  0.01\n"
       "            ^\n"
       "freq2equat-check: 'vemo.freq' names no ion (no reference or measurement line read): "
       "'ionization.data' not written\n"},
      {"fifo", [](const ScratchDir& dir) { ::mkfifo(dir.file("vemo.freq").c_str(), 0644); }, 2,
       "freq2equat-check: cannot read 'vemo.freq': not a regular file\n"},
      {"directory", [](const ScratchDir& dir) { ::mkdir(dir.file("vemo.freq").c_str(), 0755); }, 2,
       "freq2equat-check: cannot read 'vemo.freq': Is a directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    c.make(dir);
    const RunResult result =
        run(FREQ2EQUAT_CHECK_PROGRAM, dir, {"--make-table", "ionization.data"});
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_EQ(result.standard_error, c.error);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"vemo.freq"});
  }
}

// A molecule gets no invented row: it is named with what its row needs,
// and the elements' rows are still written.
TEST(MakeTable, MoleculeIsListedWithWhatItsRowNeeds) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + "  28CO     1    329411.92468250     0.00012000\n");
  const RunResult result = run(FREQ2EQUAT_CHECK_PROGRAM, dir, {"--make-table", "ionization.data"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.standard_error.rfind("vemo.freq:2:5: warning: ", 0), 0u);
  EXPECT_TRUE(
      finding_cases::has_finding(result.standard_error, "vemo.freq:2:5", "made-rows-molecule"))
      << result.standard_error;
  EXPECT_EQ(dir.read("ionization.data"), " 37 'Rb'     1 4.1771281 1.2e-06\n");
}

// The converter reads four values of a row and drops the rest of its line:
// a fifth value (the total's uncertainty, as --make-table writes it) leaves
// vemo.equat byte for byte as it is without one.
TEST(FifthValue, ConverterIgnoresIt) {
  const std::string freq = examples_file("vemo.freq");
  const std::string four = examples_file("ionization.data");
  std::string five;
  std::size_t at = 0;
  while (at < four.size()) {
    const std::size_t end = four.find('\n', at);
    five += four.substr(at, end - at) + " 0.25\n";
    at = end + 1;
  }
  const std::string with_four = converted(freq, four);
  ASSERT_FALSE(with_four.empty());
  EXPECT_EQ(converted(freq, five), with_four);
}

struct GivenUncertainty {
  const char* name;
  std::string table;
  bool warned;         // correction-uncertainty
  const char* listed;  // in the -v listing of the measurement
};

void PrintTo(const GivenUncertainty& given, std::ostream* out) { *out << given.name; }

class FifthValue : public testing::TestWithParam<GivenUncertainty> {};

// 208Pb 41+ over 132Xe 26+ at U 0.01 micro-u: the shipped totals leave 0.94
// micro-u in the correction; calculated totals good to 1 eV leave 0.002
// micro-u, and the warning goes. A fifth value replaces the shipped
// uncertainty of its row only, and -v says where it came from; a number
// that is not a single value after the energy is no uncertainty.
TEST_P(FifthValue, ReplacesTheShippedUncertainty) {
  ScratchDir dir;
  dir.write("vemo.freq",
            " 132Xe    26    -95844.91654000     0.00544000\n 208Pb    41    999874.80390300     "
            "0.00004804\n");
  dir.write("ionization.data", GetParam().table);
  const RunResult result = run(FREQ2EQUAT_CHECK_PROGRAM, dir, {"-v"});
  const bool warned = result.standard_error.find("[correction-uncertainty]") != std::string::npos;
  EXPECT_EQ(warned, GetParam().warned) << result.standard_error;
  EXPECT_NE(result.standard_output.find(GetParam().listed), std::string::npos)
      << result.standard_output;
}

const GivenUncertainty given_uncertainties[] = {
    {"Shipped", "54 Xe 26 8948.5956437\n82 Pb 41 28805.7190389\n", true,
     "binding-energy correction -15.777062 +/- 0.937765 micro-u\n"},
    {"BothCalculated", "54 Xe 26 8948.5956437 1.0\n82 Pb 41 28805.7190389 1.0\n", false,
     "+/- 0.002004 micro-u (uncertainty from the fifth values of ionization.data)\n"},
    // One row given: the other keeps the shipped 870 eV.
    {"OneCalculated", "54 Xe 26 8948.5956437 1.0\n82 Pb 41 28805.7190389\n", true,
     "(uncertainty from the fifth values of ionization.data)\n"},
    // Larger than the total: the energy pushed out by a slip, not an uncertainty.
    {"LargerThanTheTotal", "54 Xe 26 8948.5956437 9000\n82 Pb 41 28805.7190389 30000\n", true,
     "binding-energy correction -15.777062 +/- 0.937765 micro-u\n"},
    {"WithAUnit", "54 Xe 26 8948.5956437 1.0 eV\n82 Pb 41 28805.7190389 1.0 eV\n", true,
     "binding-energy correction -15.777062 +/- 0.937765 micro-u\n"},
};

INSTANTIATE_TEST_SUITE_P(BindingRows, FifthValue, testing::ValuesIn(given_uncertainties),
                         [](const testing::TestParamInfo<GivenUncertainty>& param) {
                           return std::string(param.param.name);
                         });

// Rows within their uncertainty pass, however few digits they give: the
// worked example's 3 decimals, Pb 41+ within NIST's +/-870 eV, a molecule
// above the bound.
TEST(BindingRows, RowsWithinTheirUncertaintyPass) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  dir.write("ionization.data", "37 Rb 1 4.177\n55 Cs 1 3.894\n82 Pb 41 28500\n0 'CO' 1 14.014\n");
  const RunResult result = run(FREQ2EQUAT_CHECK_PROGRAM, dir, {"--no-masses"});
  EXPECT_EQ(result.exit_status, 0) << result.standard_error;
}

struct Correction {
  const char* name;
  std::string freq;
  std::string table;
  bool warned;
};

void PrintTo(const Correction& correction, std::ostream* out) { *out << correction.name; }

class CorrectionUncertainty : public testing::TestWithParam<Correction> {};

// A highly charged heavy ion's tabulated binding energies are far less
// certain than a modern ratio: the warning gives both numbers. A singly
// charged pair at the same U gets none.
TEST_P(CorrectionUncertainty, WarnsWhenAboveAThirdOfU) {
  ScratchDir dir;
  dir.write("vemo.freq", GetParam().freq);
  dir.write("ionization.data", GetParam().table);
  const RunResult result = run(FREQ2EQUAT_CHECK_PROGRAM, dir);
  const bool warned = result.standard_error.find("[correction-uncertainty]") != std::string::npos;
  EXPECT_EQ(warned, GetParam().warned) << result.standard_error;
  if (warned) {
    EXPECT_TRUE(finding_cases::has_finding(result.standard_error, "vemo.freq:2:37",
                                           "correction-uncertainty"))
        << result.standard_error;
  }
}

// U = A_ref x sigma x charge_meas / charge_ref = 0.01 micro-u for both.
const Correction corrections[] = {
    {"LeadOverXenon",
     " 132Xe    26    -95844.91654000     0.00544000\n 208Pb    41    999874.80390300     "
     "0.00004804\n",
     "54 Xe 26 8948.5956437\n82 Pb 41 28805.7190389\n", true},
    {"CaesiumOverRubidium",
     "  85Rb     1    -88210.26396000     0.00537000\n 133Cs     1   1565221.53681481     "
     "0.00011765\n",
     "37 Rb 1 4.1771281\n55 Cs 1 3.89390572743\n", false},
};

INSTANTIATE_TEST_SUITE_P(BindingRows, CorrectionUncertainty, testing::ValuesIn(corrections),
                         [](const testing::TestParamInfo<Correction>& param) {
                           return std::string(param.param.name);
                         });

struct SameElement {
  const char* name;
  int A_ref, charge_ref, A_meas, charge_meas;
  double sigma;  // micro-u
};

void PrintTo(const SameElement& pair, std::ostream* out) { *out << pair.name; }

class CorrectionOfOneElement : public testing::TestWithParam<SameElement> {};

// Two charge states of xenon share the 17 electrons of the lower: the
// shipped totals' 19.7 eV (17+) and 49.7 eV (26+) are not independent,
// and the shared part enters once, with its net coefficient k - 1. Taken
// as independent they would give 0.059 and 0.057 micro-u.
TEST_P(CorrectionOfOneElement, SharesTheLowerTotal) {
  const SameElement& pair = GetParam();
  nuclides::BindingEnergyData data;
  std::string error;
  ASSERT_TRUE(data.load(
      std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/electron-binding-energies-eV.csv", error))
      << error;
  conversion::ReferenceRecord reference;
  reference.A_ref = pair.A_ref;
  reference.symbol_ref = {'X', 'e', ' ', ' '};
  reference.charge_ref = pair.charge_ref;
  conversion::MeasurementRecord measurement;
  measurement.A_meas = pair.A_meas;
  measurement.symbol_meas = {'X', 'e', ' ', ' '};
  measurement.charge_meas = pair.charge_meas;
  conversion::Equation equation;
  equation.correction_applied = true;
  equation.q = (1.0 * pair.A_meas / pair.charge_meas) / (1.0 * pair.A_ref / pair.charge_ref);
  const std::optional<double> sigma =
      check::correction_uncertainty(data, {}, reference, measurement, equation);
  ASSERT_TRUE(sigma);
  EXPECT_NEAR(*sigma, pair.sigma, 1e-6);
}

const SameElement same_element[] = {
    {"LowerChargeMeasured", 129, 26, 132, 17, 0.050126},
    {"LowerChargeTheReference", 132, 17, 129, 26, 0.048987},
};

INSTANTIATE_TEST_SUITE_P(BindingRows, CorrectionOfOneElement, testing::ValuesIn(same_element),
                         [](const testing::TestParamInfo<SameElement>& param) {
                           return std::string(param.param.name);
                         });

// -v and the comparison show C and its uncertainty per measurement.
TEST(BindingRows, CorrectionShownWithItsUncertainty) {
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  dir.write("ionization.data", "37 Rb 1 4.1771281\n55 Cs 1 3.89390572743\n");
  const RunResult result = run(FREQ2EQUAT_CHECK_PROGRAM, dir, {"-v"});
  EXPECT_NE(
      result.standard_output.find("; binding-energy correction 0.002839 +/- 0.000000 micro-u\n"),
      std::string::npos)
      << result.standard_output;
  EXPECT_NE(result.standard_output.find(
                "   2  133Cs    1      -94548.173901  0.012856    0.002839  0.000000  "),
            std::string::npos)
      << result.standard_output;
}

// The comparison folds the correction's uncertainty into the combined
// sigma: 208Pb 41+ 4.5 micro-u above the table is 3.7 sigma of the table's
// 1.232 micro-u alone, but 2.9 with the binding energies' 0.94 micro-u.
TEST(BindingRows, ComparisonFoldsTheCorrectionsUncertaintyIn) {
  ScratchDir dir;
  dir.write("vemo.freq",
            " 132Xe    26    -95844.91654000     0.00544000\n 208Pb    41    999874.82553967     "
            "0.00004804\n");
  dir.write("ionization.data", "54 Xe 26 8948.5956437\n82 Pb 41 28805.7190389\n");
  const RunResult result = run(FREQ2EQUAT_CHECK_PROGRAM, dir);
  EXPECT_EQ(result.standard_error.find("sigma ("), std::string::npos) << result.standard_error;
  EXPECT_NE(result.standard_output.find(
                "  -15.777062  0.937765  -23347.995000  1.232000      4.500000    2.9\n"),
            std::string::npos)
      << result.standard_output;
}

}  // namespace
