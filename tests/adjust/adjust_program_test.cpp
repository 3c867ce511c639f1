// adjust_program_test.cpp - the real freq2equat-adjust on the shared
// scenario, on the converter's own output, and on inputs it must refuse.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using nlohmann::json;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

RunResult adjust_in(const ScratchDir& dir, const std::vector<std::string>& arguments,
                    RunOptions options = {}) {
  options.working_directory = dir.path();
  if (!options.timeout_ms) options.timeout_ms = 20000;
  return testing_support::run_program(FREQ2EQUAT_ADJUST_PROGRAM, options, arguments);
}

std::string data_file(const std::string& name) {
  return testing_support::read_file(std::string(FREQ2EQUAT_TEST_DATA) + "/adjust/" + name).value();
}

// One equation group as the converter lays it out.
std::string group(int A_meas, const char* meas, int A_ref, const char* ref, double G, double V,
                  double U, double mass_excess, double sigma) {
  char text[400];
  std::snprintf(text, sizeof text,
                "     %6d%-4s-%4d%-4s*%6.3f =%15.5f (%9.5f)\r\n"
                "             %4d%-4s =%15.6f +/-%11.6f micro-u\r\n"
                "                      =%15.6f +/-%11.6f keV\r\n\r\n",
                A_meas, meas, A_ref, ref, G, V, U, A_meas, meas, mass_excess, sigma,
                mass_excess * 0.9314940038, sigma * 0.9314940038);
  return text;
}

constexpr const char* normal_end = "0Normal End of Freq.Ratios to Equations Conversion\r\n";
constexpr double rb85 = -88210.26396;

std::string caesium_on_rubidium(double V, double U) {
  return group(133, "Cs", 85, "Rb", 1.565, V, U, 1.565 * rb85 + V, U);
}

TEST(AdjustProgram, ScenarioAMatchesTheExactResults) {
  ScratchDir dir;
  dir.write("scenario-a.equat", data_file("scenario-a.equat"));
  const RunResult run = adjust_in(dir, {"scenario-a.equat", "--json", "out.json"});
  ASSERT_EQ(run.exit_status, 0) << run.standard_error;
  EXPECT_EQ(run.standard_error, "");
  const json expected = json::parse(data_file("scenario-a.expected.json"));
  const json got = json::parse(dir.read("out.json").value());

  EXPECT_NEAR(got["chi2"].get<double>(), expected["chi2"].get<double>(), 1e-6);
  EXPECT_EQ(got["degrees_of_freedom"], expected["degrees_of_freedom"]);
  EXPECT_NEAR(got["birge_ratio"].get<double>(), expected["birge_ratio"].get<double>(), 1e-6);
  std::map<std::string, json> nuclides;
  for (const json& n : got["nuclides"]) nuclides[n["nuclide"].get<std::string>()] = n;
  ASSERT_EQ(nuclides.size(), expected["nuclides"].size());
  for (const json& want : expected["nuclides"]) {
    const json& have = nuclides.at(want["nuclide"].get<std::string>());
    EXPECT_NEAR(have["mass_excess"].get<double>(), want["mass_excess"].get<double>(), 1e-6) << want;
    EXPECT_NEAR(have["uncertainty"].get<double>(), want["uncertainty"].get<double>(), 1e-6) << want;
  }
  ASSERT_EQ(got["data"].size(), expected["data"].size());
  for (std::size_t i = 0; i < expected["data"].size(); ++i) {
    const json& want = expected["data"][i];
    const json& have = got["data"][i];
    EXPECT_EQ(have["kind"], want["kind"]);
    EXPECT_EQ(have["line"], want["line"]);
    EXPECT_NEAR(have["normalized_residual"].get<double>(),
                want["normalized_residual"].get<double>(), 1e-4);
    EXPECT_NEAR(have["significance"].get<double>(), want["significance"].get<double>(), 1e-4);
    for (const auto& [name, value] : want["influence"].items()) {
      EXPECT_NEAR(have["influence"].at(name).get<double>(), value.get<double>(), 1e-4)
          << i << " " << name;
    }
    // Influences left out of the expected list are the ones below 1 %.
    for (const auto& [name, value] : have["influence"].items()) {
      if (!want["influence"].contains(name)) {
        EXPECT_LT(std::fabs(value.get<double>()), 0.01) << name;
      }
    }
  }
  EXPECT_EQ(got["undetermined"], json::array());
  // The table's own uncertainty beside the adjusted one, and the keV
  // uncertainty by the table's factor.
  for (const json& n : got["nuclides"]) {
    EXPECT_EQ(n["uncertainty_keV"].get<double>(), n["uncertainty"].get<double>() * 0.93149410242)
        << n;
  }
  EXPECT_EQ(nuclides.at("85Rb")["table_uncertainty"].get<double>(), 0.00537);
}

// The converter's own output on the bundled example, where every nuclide
// is measured once against a reference given at its table value: the
// adjustment must give back the micro-u records, to their printed rounding
// (V and the micro-u value are rounded apart, and a chain adds G times the
// rounding of its reference).
TEST(AdjustProgram, ConvertersOutputOnTheExampleGivesBackItsMassExcesses) {
  ScratchDir dir;
  for (const char* name : {"vemo.freq", "ionization.data"}) {
    dir.write(name,
              testing_support::read_file(std::string(FREQ2EQUAT_EXAMPLES) + "/" + name).value());
  }
  RunOptions options;
  options.working_directory = dir.path();
  ASSERT_EQ(testing_support::run_program(FREQ2EQUAT_PROGRAM, options).exit_status, 0);
  const RunResult run = adjust_in(dir, {"vemo.equat", "--json", "out.json"});
  ASSERT_EQ(run.exit_status, 0) << run.standard_error;
  const json got = json::parse(dir.read("out.json").value());
  std::map<std::string, double> adjusted;
  for (const json& n : got["nuclides"])
    adjusted[n["nuclide"].get<std::string>()] = n["mass_excess"].get<double>();

  const std::string equat = dir.read("vemo.equat").value();
  int compared = 0;
  for (std::size_t at = 0; (at = equat.find(" micro-u", at)) != std::string::npos; ++at) {
    const std::size_t start = equat.rfind('\n', at) + 1;
    const std::string record = equat.substr(start, at - start);
    std::string nuclide = record.substr(13, 8);
    nuclide.erase(nuclide.find_last_not_of(' ') + 1);
    nuclide.erase(0, nuclide.find_first_not_of(' '));
    const double value = std::stod(record.substr(23, 15));
    ASSERT_TRUE(adjusted.count(nuclide)) << nuclide;
    EXPECT_NEAR(adjusted[nuclide], value, 2e-5) << nuclide;
    ++compared;
  }
  EXPECT_EQ(compared, 15);
  EXPECT_EQ(got["degrees_of_freedom"], 0);
  EXPECT_EQ(got["birge_ratio"], nullptr);
}

TEST(AdjustProgram, OrderOfTheFilesDoesNotChangeTheResults) {
  ScratchDir dir;
  const std::string a = data_file("scenario-a.equat");
  // Scenario A cut in two after its third group (12 lines).
  std::size_t cut = 0;
  for (int line = 0; line < 12; ++line) cut = a.find('\n', cut) + 1;
  dir.write("first.equat", a.substr(0, cut));
  dir.write("second.equat", a.substr(cut));
  // The first part has no closing record: a warning, so status 1.
  ASSERT_EQ(adjust_in(dir, {"first.equat", "second.equat", "--json", "12.json"}).exit_status, 1);
  ASSERT_EQ(adjust_in(dir, {"second.equat", "first.equat", "--json", "21.json"}).exit_status, 1);
  const json one = json::parse(dir.read("12.json").value());
  const json two = json::parse(dir.read("21.json").value());
  EXPECT_NEAR(one["chi2"].get<double>(), two["chi2"].get<double>(), 1e-9);
  ASSERT_EQ(one["nuclides"].size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(one["nuclides"][k]["nuclide"], two["nuclides"][k]["nuclide"]);
    EXPECT_NEAR(one["nuclides"][k]["mass_excess"].get<double>(),
                two["nuclides"][k]["mass_excess"].get<double>(), 1e-9);
  }
}

TEST(AdjustProgram, FlaggedOutlierIsReportedAndRejectedOnlyWhenAsked) {
  ScratchDir dir;
  dir.write("runs.equat", caesium_on_rubidium(43501.0271, 0.01) +
                              caesium_on_rubidium(43501.0272, 0.01) +
                              caesium_on_rubidium(43501.0269, 0.01) +
                              caesium_on_rubidium(43501.5, 0.01) + normal_end);
  const RunResult flagged = adjust_in(dir, {"runs.equat", "--json", "flagged.json"});
  EXPECT_EQ(flagged.exit_status, 1) << flagged.standard_error;
  EXPECT_NE(flagged.standard_output.find("runs.equat:13"), std::string::npos);
  EXPECT_NE(flagged.standard_output.find("FLAGGED"), std::string::npos) << flagged.standard_output;
  const json data = json::parse(dir.read("flagged.json").value())["data"];
  EXPECT_EQ(data[3]["flagged"], true);
  EXPECT_EQ(data[3]["rejected"], false);

  const RunResult rejected = adjust_in(dir, {"runs.equat", "--reject", "--json", "rejected.json"});
  EXPECT_EQ(rejected.exit_status, 0) << rejected.standard_error;
  const json after = json::parse(dir.read("rejected.json").value());
  EXPECT_EQ(after["data"][3]["rejected"], true);
  // A rejected datum keeps its residual, with its sign: V lies above the rest.
  EXPECT_NEAR(after["data"][3]["normalized_residual"].get<double>(), 47.3, 0.05);
  EXPECT_EQ(after["degrees_of_freedom"], 2);
  EXPECT_NE(
      rejected.standard_output.find("Rejected, in the order dropped:\n  runs.equat:13 133Cs-85Rb"),
      std::string::npos)
      << rejected.standard_output;
}

TEST(AdjustProgram, BirgeRatioWellAboveOneIsReportedNeverUsedToScaleDown) {
  ScratchDir dir;
  std::string file;
  for (int i = 0; i < 6; ++i)
    file += caesium_on_rubidium(43501.0271 + (i % 2 == 0 ? 0.03 : -0.03), 0.01);
  dir.write("spread.equat", file + normal_end);
  dir.write("tight.equat", caesium_on_rubidium(43501.0271, 0.01) +
                               caesium_on_rubidium(43501.0272, 0.01) + normal_end);
  const RunResult spread = adjust_in(dir, {"spread.equat"});
  EXPECT_NE(spread.standard_output.find("their uncertainties multiplied by the Birge ratio 3.286"),
            std::string::npos)
      << spread.standard_output;
  const RunResult tight = adjust_in(dir, {"tight.equat"});
  EXPECT_EQ(tight.standard_output.find("multiplied"), std::string::npos) << tight.standard_output;
  // Birge 1.31 on 5 degrees of freedom is within two standard deviations
  // of 1 (1 + 2/sqrt(10) = 1.63): chance, not a word.
  std::string mild;
  for (int i = 0; i < 6; ++i)
    mild += caesium_on_rubidium(43501.0271 + (i % 2 == 0 ? 0.012 : -0.012), 0.01);
  dir.write("mild.equat", mild + normal_end);
  const RunResult within = adjust_in(dir, {"mild.equat"});
  EXPECT_NE(within.standard_output.find("Birge ratio 1.314"), std::string::npos)
      << within.standard_output;
  EXPECT_EQ(within.standard_output.find("multiplied"), std::string::npos) << within.standard_output;
}

// A conversion whose reference lies 3 micro-u from where the adjustment puts
// it wrote V off by up to 0.0045 micro-u, more than a tenth of U = 0.01.
TEST(AdjustProgram, ReferenceMovedFarForItsUncertaintyWarns) {
  ScratchDir dir;
  const double V = 43501.0271;
  dir.write(
      "moved.equat",
      group(133, "Cs", 85, "Rb", 1.565, V, 0.01, 1.565 * (rb85 + 3.0) + V, 0.01) + normal_end);
  const RunResult run = adjust_in(dir, {"moved.equat"});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.standard_output.find("so V may be off by up to 0.004500 micro-u"),
            std::string::npos)
      << run.standard_output;
}

TEST(AdjustProgram, ConversionThatStoppedEarlyIsUsedAndNoted) {
  ScratchDir dir;
  dir.write("early.equat", caesium_on_rubidium(43501.0271, 0.01) + "0Error in File Reading\r\n");
  const RunResult run = adjust_in(dir, {"early.equat"});
  // Adjusted, with a warning to look at.
  EXPECT_EQ(run.exit_status, 1) << run.standard_error;
  EXPECT_NE(
      run.standard_output.find("early.equat: the conversion ended in \"Error in File Reading\""),
      std::string::npos)
      << run.standard_output;
  EXPECT_NE(run.standard_output.find("133Cs     -94548.0"), std::string::npos)
      << run.standard_output;
}

struct StatusCase {
  const char* name;
  std::string file;
  std::vector<std::string> arguments;
  int status;
  std::string in_report;  // a line the report must hold
};

void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

class Statuses : public testing::TestWithParam<StatusCase> {};

// 0 only when everything was adjusted, every datum used and nothing is to
// be looked at; a datum left out, a warning or nothing adjusted is 1.
TEST_P(Statuses, StatusSaysWhetherToLookAgain) {
  ScratchDir dir;
  dir.write("run.equat", GetParam().file);
  std::vector<std::string> arguments = {"run.equat", "--plot", "run.svg"};
  arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  const RunResult run = adjust_in(dir, arguments);
  EXPECT_EQ(run.exit_status, GetParam().status) << run.standard_output << run.standard_error;
  EXPECT_NE(run.standard_output.find(GetParam().in_report), std::string::npos)
      << run.standard_output;
  if (GetParam().status == 1 && GetParam().in_report.find("Undetermined") != std::string::npos) {
    EXPECT_NE(dir.read("run.svg").value_or("").find("Not determined"), std::string::npos);
  }
}

constexpr double cs133 = -94548.042;

INSTANTIATE_TEST_SUITE_P(
    AdjustProgram, Statuses,
    testing::Values(
        StatusCase{"ReciprocalPairIsAnchoredByItsReferences",
                   group(85, "Rb", 133, "Cs", 0.639, rb85 - 0.639 * cs133, 0.01, rb85, 0.01) +
                       caesium_on_rubidium(43501.0271, 0.01) + normal_end,
                   {},
                   0,
                   "anchored by its references' table values (85Rb, 133Cs)"},
        StatusCase{"GroupWithoutTableValuesIsUndetermined",
                   caesium_on_rubidium(43501.0271, 0.01) +
                       group(201, "Xx", 200, "Xx", 1.005, 10.0, 0.01, 10.0, 0.01) +
                       group(200, "Xx", 201, "Xx", 0.995, -10.0, 0.01, -10.0, 0.01) + normal_end,
                   {},
                   1,
                   "Undetermined: no anchor ties these nuclides to an absolute value\n  200Xx:"},
        StatusCase{"NothingAdjusted",
                   group(201, "Xx", 200, "Xx", 1.005, 10.0, 0.01, 10.0, 0.01) +
                       group(200, "Xx", 201, "Xx", 0.995, -10.0, 0.01, -10.0, 0.01) + normal_end,
                   {},
                   1,
                   "nothing was adjusted"},
        StatusCase{
            "MoleculeAnchorsThroughItsAtoms",
            group(28, "Si", 28, "CO", 1.0, -17988.08484, 0.0001, -23073.46558, 0.0001) + normal_end,
            {"--kev"},
            0,
            "(12C + 16O)      -4737.002168"}));

struct Refusal {
  const char* name;
  std::string file;                    // written as bad.equat
  std::vector<std::string> arguments;  // after bad.equat
  std::string first_line;              // of standard error, exactly
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class Refusals : public testing::TestWithParam<Refusal> {};

// Every refusal is status 2 with the reason on the first line of standard
// error, and nothing on standard output: no half an adjustment.
TEST_P(Refusals, StatusTwoWithOneLine) {
  ScratchDir dir;
  dir.write("bad.equat", GetParam().file);
  std::vector<std::string> arguments = {"bad.equat"};
  arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  const RunResult run = adjust_in(dir, arguments);
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.standard_error.substr(0, run.standard_error.find('\n')), GetParam().first_line)
      << run.standard_error;
  EXPECT_EQ(run.standard_output, "");
}

// A report or --version that cannot reach standard output is a failed run:
// the program checks its standard output at exit, as the checker does.
TEST(AdjustProgram, LostStandardOutputIsStatusTwo) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this machine";
  ScratchDir dir;
  dir.write("vemo.equat", caesium_on_rubidium(43501.0271, 0.01));
  for (const char* arguments : {"--version", "vemo.equat"}) {
    SCOPED_TRACE(arguments);
    RunOptions options;
    options.working_directory = dir.path();
    const RunResult run = testing_support::run_program(
        "/bin/sh", options,
        {"-c", std::string("exec \"$0\" ") + arguments + " >/dev/full", FREQ2EQUAT_ADJUST_PROGRAM});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.standard_error, "freq2equat-adjust: write error: No space left on device\n");
  }
}

const std::string good = caesium_on_rubidium(43501.0271, 0.01);
const std::string equation_record = good.substr(0, good.find('\n') + 1);

// The good group with columns `first` to `last` of its record `record` (0
// for the equation record) holding `text`, right-justified as a number is.
std::string with_field(int record, std::size_t first, std::size_t last, const std::string& text) {
  std::string file = good;
  std::size_t start = 0;
  for (int i = 0; i < record; ++i) start = file.find('\n', start) + 1;
  const std::size_t width = last - first + 1;
  file.replace(start + first - 1, width, std::string(width - text.size(), ' ') + text);
  return file;
}

std::string cr_line_ends() {
  std::string file = good + normal_end;
  std::erase(file, '\n');
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    AdjustProgram, Refusals,
    testing::Values(
        Refusal{"NotAnEquationsFile",
                "hello\r\n",
                {},
                "bad.equat:1:1: error: not an equation record, a warning record, an empty record "
                "or a closing record"},
        Refusal{"AsterisksInV",
                equation_record.substr(0, 33) + std::string(15, '*') + equation_record.substr(48),
                {},
                "bad.equat:1:34: error: V (columns 34-48): Illegal character in numeric input"},
        // A number the converter would have written with a point, or not
        // at all: read as the record layer reads it, each would be a datum.
        Refusal{"VWithoutAPoint",
                with_field(0, 34, 48, "-492"),
                {},
                "bad.equat:1:34: error: V (columns 34-48) is '-492', a number without a decimal "
                "point: the converter writes every value with one, and without it the last 5 "
                "digits would be read as decimals"},
        Refusal{"BlankV",
                with_field(0, 34, 48, ""),
                {},
                "bad.equat:1:34: error: V (columns 34-48) is blank: the converter writes a number "
                "in every field"},
        Refusal{"BlankMassNumber",
                with_field(0, 6, 11, ""),
                {},
                "bad.equat:1:6: error: mass number (columns 6-11) is blank: the converter writes a "
                "number in every field"},
        Refusal{"KevValueWithoutAPoint",
                with_field(2, 24, 38, "-88070"),
                {},
                "bad.equat:3:24: error: mass excess in keV (columns 24-38) is '-88070', a number "
                "without a decimal point: the converter writes every value with one, and without "
                "it the last 6 digits would be read as decimals"},
        // Values no measurement gives, which would swamp or break the
        // solution, named as the file holds them.
        Refusal{"UncertaintyTooLarge",
                with_field(0, 51, 59, "1.E9"),
                {},
                "bad.equat:1:51: error: U (columns 51-59) is '1.E9', outside 0.00001 to 1000 "
                "micro-u: no frequency-ratio measurement is that precise or that imprecise, and "
                "the converter writes no such U"},
        Refusal{"UncertaintyTooSmall",
                with_field(0, 51, 59, "1.E-300"),
                {},
                "bad.equat:1:51: error: U (columns 51-59) is '1.E-300', outside 0.00001 to 1000 "
                "micro-u: no frequency-ratio measurement is that precise or that imprecise, and "
                "the converter writes no such U"},
        Refusal{"DifferenceTooLarge",
                with_field(0, 34, 48, "-1.0E308"),
                {},
                "bad.equat:1:34: error: V (columns 34-48) is '-1.0E308', beyond +/-769500 micro-u, "
                "(1 + G) times the largest mass excess: no difference of two mass excesses is "
                "this large"},
        Refusal{"RatioTooLarge",
                with_field(0, 26, 31, "1.E20"),
                {},
                "bad.equat:1:26: error: G (columns 26-31) is '1.E20', beyond +/-300: no ratio of "
                "two mass numbers is this large"},
        Refusal{"MassExcessTooLarge",
                with_field(1, 24, 38, "300000.1"),
                {},
                "bad.equat:2:24: error: the mass excess (columns 24-38) is '300000.1', beyond "
                "+/-300000 micro-u: no nuclide's mass excess is this large"},
        Refusal{"CrLineEnds",
                cr_line_ends(),
                {},
                "bad.equat:1:61: error: the lines from here on end in CR alone, which ends no "
                "line: none of them is read; save the file with LF or CR LF line ends"},
        Refusal{"UncertaintyZero",
                caesium_on_rubidium(43501.0271, 0.0),
                {},
                "bad.equat:1:51: error: U (columns 51-59) is not above 0: an equation without an "
                "uncertainty cannot be weighted"},
        Refusal{"GroupCutShort",
                equation_record,
                {},
                "bad.equat:2:1: error: the file ends inside the equation group of line 1"},
        Refusal{
            "MicroURecordOfAnotherNuclide",
            equation_record + "              134Cs   =  -94548.035997 +/-   0.013062 micro-u\r\n",
            {},
            "bad.equat:2:14: error: the micro-u record names 134Cs, its equation on line 1 133Cs"},
        Refusal{"RecordAfterTheClosingRecord",
                good + normal_end + good,
                {},
                "bad.equat:6:1: error: a record after the closing record"},
        Refusal{"AnchorNamedByNoEquation",
                good,
                {"--anchor", "90Zr"},
                "freq2equat-adjust: --anchor 90Zr: no equation names it"},
        Refusal{"AnchorNotANuclide",
                good,
                {"--anchor", "Cs133"},
                "freq2equat-adjust: --anchor 'Cs133' is not a nuclide such as 133Cs, or 'all' (see "
                "--help)"},
        Refusal{"ThresholdNotPositive",
                good,
                {"--threshold", "-1"},
                "freq2equat-adjust: --threshold must be a number above 0 (see --help)"},
        Refusal{"ThresholdZero",
                good,
                {"--threshold", "0"},
                "freq2equat-adjust: --threshold must be a number above 0 (see --help)"},
        Refusal{"JsonOverTheMassTable",
                good,
                {"--masses", "m.csv", "--json", "m.csv"},
                "freq2equat-adjust: --json 'm.csv' names an input file, 'm.csv'"},
        Refusal{"UnknownOption",
                good,
                {"--scale"},
                "freq2equat-adjust: unknown option '--scale' (see --help)"},
        Refusal{"MissingMassTable",
                good,
                {"--masses", "none.csv"},
                "freq2equat-adjust: cannot read 'none.csv': No such file or directory"},
        Refusal{"SameFileTwice",
                good,
                {"./bad.equat"},
                "freq2equat-adjust: './bad.equat' is 'bad.equat' again: its equations would count "
                "twice"},
        Refusal{"JsonOverAnInput",
                good,
                {"--json", "bad.equat"},
                "freq2equat-adjust: --json 'bad.equat' names an input file, 'bad.equat'"},
        Refusal{"JsonIntoAMissingDirectory",
                good,
                {"--json", "no/such/out.json"},
                "freq2equat-adjust: cannot write 'no/such/out.json': No such file or directory"},
        Refusal{"Directory", good, {"."}, "freq2equat-adjust: cannot read '.': Is a directory"},
        Refusal{"PlotWithoutAFormat",
                good,
                {"--plot", "out.txt"},
                "freq2equat-adjust: cannot tell the picture's format from 'out.txt': name it .svg, "
                ".pdf or .png"},
        Refusal{"TwoOutputsOneFile",
                good,
                {"--json", "out.svg", "--plot", "out.svg"},
                "freq2equat-adjust: --json and --plot name the same file, 'out.svg'"}));

TEST(AdjustProgram, NoFileIsAUsageError) {
  ScratchDir dir;
  const RunResult run = adjust_in(dir, {});
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.standard_error, "freq2equat-adjust: FILE is required (see --help)\n");
  // A mistyped option is the likelier slip, and is named before the missing file.
  EXPECT_EQ(adjust_in(dir, {"--fast"}).standard_error,
            "freq2equat-adjust: unknown option '--fast' (see --help)\n");
}

// --plot-unit keV draws the mass excesses in keV, as the checker's picture
// does; -v lists every equation read at its FILE:LINE.
TEST(AdjustProgram, PlotUnitAndVerboseAsInTheChecker) {
  ScratchDir dir;
  dir.write("vemo.equat", caesium_on_rubidium(43501.0271, 0.01) + normal_end);
  const RunResult kev =
      adjust_in(dir, {"vemo.equat", "--plot", "k.svg", "--plot-unit", "keV", "-v"});
  ASSERT_EQ(kev.exit_status, 0) << kev.standard_error;
  EXPECT_NE(dir.read("k.svg").value_or("").find("adjusted \u2212 table (keV)"), std::string::npos);
  EXPECT_EQ(kev.standard_output.rfind(
                "vemo.equat:1: ME(133Cs) - 1.565*ME(85Rb) = 43501.0271 (0.01)\n", 0),
            0u)
      << kev.standard_output;
  const RunResult micro_u = adjust_in(dir, {"vemo.equat", "--plot", "u.svg"});
  ASSERT_EQ(micro_u.exit_status, 0) << micro_u.standard_error;
  EXPECT_NE(dir.read("u.svg").value_or("").find("adjusted \u2212 table (\u03bcu)"),
            std::string::npos);
}

// A FIFO would block the first read for ever: it is refused at once.
TEST(AdjustProgram, FifoIsRefusedWithoutWaiting) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo(dir.file("pipe.equat").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(dir.file("pipe.csv").c_str(), 0600), 0);
  dir.write("good.equat", caesium_on_rubidium(43501.0271, 0.01));
  RunOptions options;
  options.timeout_ms = 5000;
  const RunResult equations = adjust_in(dir, {"pipe.equat"}, options);
  EXPECT_FALSE(equations.timed_out);
  EXPECT_EQ(equations.exit_status, 2);
  EXPECT_EQ(equations.standard_error,
            "freq2equat-adjust: cannot read 'pipe.equat': not a regular file\n");
  const RunResult masses = adjust_in(dir, {"good.equat", "--masses", "pipe.csv"}, options);
  EXPECT_FALSE(masses.timed_out);
  EXPECT_EQ(masses.standard_error,
            "freq2equat-adjust: cannot read 'pipe.csv': not a regular file\n");
}

// A write that fails half-way (here at the file size limit) leaves the old
// file whole and no temporary file behind.
TEST(AdjustProgram, FailedWriteKeepsTheOldFile) {
  ScratchDir dir;
  dir.write("scenario-a.equat", data_file("scenario-a.equat"));
  dir.write("out.json", "old\n");
  RunOptions options;
  options.file_size_limit = 1000;
  const RunResult run = adjust_in(dir, {"scenario-a.equat", "--json", "out.json"}, options);
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.standard_error, "freq2equat-adjust: cannot write 'out.json': File too large\n");
  EXPECT_EQ(dir.read("out.json").value(), "old\n");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"out.json", "scenario-a.equat"}));
}

TEST(AdjustProgram, PlotDrawsTheAdjustment) {
  ScratchDir dir;
  dir.write("scenario-a.equat", data_file("scenario-a.equat"));
  const RunResult run = adjust_in(dir, {"scenario-a.equat", "--plot", "adjusted.svg"});
  ASSERT_EQ(run.exit_status, 0) << run.standard_error;
  const std::string svg = dir.read("adjusted.svg").value();
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"adjusted.svg", "scenario-a.equat"}));
}

TEST(AdjustProgram, CorrelationsAreWrittenAsCsv) {
  ScratchDir dir;
  dir.write("scenario-a.equat", data_file("scenario-a.equat"));
  const RunResult run = adjust_in(dir, {"scenario-a.equat", "--correlations", "c.csv", "--kev"});
  ASSERT_EQ(run.exit_status, 0) << run.standard_error;
  const std::string csv = dir.read("c.csv").value();
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "nuclide,85Rb,87Rb,88Sr,133Cs");
  EXPECT_NE(csv.find("\n85Rb,1.000000000000000,"), std::string::npos) << csv;
  // 133Cs in keV, by the table's own factor (931494.10242 keV/u), not the
  // converter's older constant (which gives -88070.932949).
  EXPECT_NE(run.standard_output.find("-88070.942273"), std::string::npos) << run.standard_output;
  EXPECT_NE(run.standard_output.find("keV by the table's factor, 931494.10242 keV per u"),
            std::string::npos);
}

std::vector<std::vector<double>> csv_numbers(const std::string& csv) {
  std::vector<std::vector<double>> rows;
  std::size_t at = csv.find('\n') + 1;
  while (at < csv.size()) {
    const std::size_t end = csv.find('\n', at);
    std::vector<double> row;
    std::size_t comma = csv.find(',', at);
    while (comma < end) {
      row.push_back(std::stod(csv.substr(comma + 1)));
      comma = csv.find(',', comma + 1);
    }
    rows.push_back(row);
    at = end + 1;
  }
  return rows;
}

// 187Re measured against 187Os, both with the table's 0.791 micro-u: the
// Q-value's uncertainty is U alone (0.00131 micro-u, 1.22 eV), which only
// the full covariance keeps; correlations printed to 6 digits (0.999999)
// gave 1.04 eV.
TEST(AdjustProgram, DifferenceKeepsTheFullCovarianceAndTheFilesKeepItToo) {
  ScratchDir dir;
  const double os187 = -44250.431, U = 0.00131;
  dir.write("q.equat",
            group(187, "Re", 187, "Os", 1.0, 2.648, U, os187 + 2.648, 0.791) + normal_end);
  const RunResult run =
      adjust_in(dir, {"q.equat", "--anchor", "187Re", "--difference", "187Re-187Os", "--json",
                      "q.json", "--covariance", "cov.csv", "--correlations", "cor.csv"});
  ASSERT_EQ(run.exit_status, 0) << run.standard_output << run.standard_error;
  const json got = json::parse(dir.read("q.json").value());
  ASSERT_EQ(got["differences"].size(), 1u);
  const json& q = got["differences"][0];
  EXPECT_EQ(q["difference"], "187Re-187Os");
  const double sigma = q["uncertainty"].get<double>();
  // The equation and the two anchors' difference, combined; C_aa + C_bb -
  // 2 C_ab near 0.6 would leave 2e-6 and 1e-11 relative, one solve with
  // e_A - e_B keeps it to rounding.
  EXPECT_NEAR(sigma, 1.0 / std::sqrt(1.0 / (U * U) + 1.0 / (2.0 * 0.791 * 0.791)), 1e-14 * U);
  EXPECT_NEAR(q["uncertainty_keV"].get<double>() * 1000.0, 1.22, 0.005);
  EXPECT_NE(run.standard_output.find("187Re-187Os"), std::string::npos);

  // From the covariance file to what C_aa + C_bb - 2 C_ab keeps (the
  // program's own value is one solve with e_A - e_B, without that loss);
  // from the correlations, to 1e-6.
  const auto cov = csv_numbers(dir.read("cov.csv").value());
  ASSERT_EQ(cov.size(), 2u);
  EXPECT_NEAR(std::sqrt(cov[0][0] + cov[1][1] - 2.0 * cov[0][1]), sigma, 1e-11 * sigma);
  const auto cor = csv_numbers(dir.read("cor.csv").value());
  for (const auto& row : cor) {
    for (const double rho : row) {
      EXPECT_GE(rho, -1.0);
      EXPECT_LE(rho, 1.0);
    }
  }
  const double s0 = std::sqrt(cov[0][0]), s1 = std::sqrt(cov[1][1]);
  EXPECT_NEAR(std::sqrt(s0 * s0 + s1 * s1 - 2.0 * cor[0][1] * s0 * s1), sigma, 1e-6 * sigma);
}

// The JSON names each nuclide's parts: an isomer is its element with a
// letter, the table value says whether it is estimated, the keV use the
// table's factor, which the JSON names.
TEST(AdjustProgram, JsonDescribesEachNuclide) {
  ScratchDir dir;
  dir.write("iso.equat",
            group(134, "Csm", 134, "Cs", 1.0, 148.5, 0.01, -93281.499 + 148.5, 0.02) + normal_end);
  const RunResult run =
      adjust_in(dir, {"iso.equat", "--json", "iso.json", "--difference", "134Csm-134Cs"});
  ASSERT_EQ(run.exit_status, 0) << run.standard_output << run.standard_error;
  const json got = json::parse(dir.read("iso.json").value());
  // The published table gives every number the CSV gives.
  const RunResult published = adjust_in(
      dir, {"iso.equat", "--json", "published.json", "--difference", "134Csm-134Cs", "--masses",
            std::string(FREQ2EQUAT_TEST_DATA) + "/nuclides/ame2020-mass.mas20.txt"});
  ASSERT_EQ(published.exit_status, 0) << published.standard_output << published.standard_error;
  const json from_published = json::parse(dir.read("published.json").value());
  EXPECT_EQ(from_published["nuclides"], got["nuclides"]);
  EXPECT_EQ(from_published["differences"], got["differences"]);
  EXPECT_EQ(from_published["tables"]["masses"]["file"], "ame2020-mass.mas20.txt");
  // The excitation energy is the equation's V: the ground state cancels.
  const json& excitation = got["differences"].at(0);
  EXPECT_EQ(excitation["difference"], "134Csm-134Cs");
  EXPECT_NEAR(excitation["value"].get<double>(), 148.5, 1e-9);
  EXPECT_NEAR(excitation["uncertainty"].get<double>(), 0.01, 1e-12);
  EXPECT_NEAR(excitation["value_keV"].get<double>(), 148.5 * 0.93149410242, 1e-9);
  EXPECT_EQ(got["mass_table"], "mass-excess-2020.csv");
  EXPECT_EQ(got["kev_per_micro_u"].get<double>(), 0.93149410242);
  std::map<std::string, json> nuclides;
  for (const json& n : got["nuclides"]) nuclides[n["nuclide"].get<std::string>()] = n;
  const json& isomer = nuclides.at("134Csm");
  EXPECT_EQ(isomer["A"], 134);
  EXPECT_EQ(isomer["Z"], 55);
  EXPECT_EQ(isomer["symbol"], "Cs");
  EXPECT_EQ(isomer["isomer"], "m");
  // The isomer's table value is its ground state plus the 2020 table's
  // measured E*, so it is not an estimate.
  EXPECT_EQ(isomer["estimated"], false);
  EXPECT_EQ(isomer["table_mass_excess"].get<double>(), -93281.499 + 138.7441 / 0.93149410242);
  EXPECT_EQ(nuclides.at("134Cs")["isomer"], nullptr);
  EXPECT_EQ(nuclides.at("134Cs")["estimated"], false);
  EXPECT_EQ(nuclides.at("134Cs")["mass_excess_keV"].get<double>(),
            nuclides.at("134Cs")["mass_excess"].get<double>() * 0.93149410242);
}

// The data covariance file: two equations of one link sharing a common
// component 0.8 of U = sqrt(1.64) give 1.068 and chi2 0.50; a statement that
// names no equation is refused with its line.
TEST(AdjustProgram, DataCovarianceFileCorrelatesTheData) {
  ScratchDir dir;
  dir.write("two.equat", caesium_on_rubidium(43501.0, 1.28062) +
                             caesium_on_rubidium(43502.0, 1.28062) + normal_end);
  dir.write("common.cov",
            "# one reference-ion run for both\r\n"
            "common run7 two.equat:1 0.8\n"
            "common\trun7 two.equat:5   0.8  # the same run\n");
  const RunResult run = adjust_in(dir, {"two.equat", "--data-covariance", "common.cov"});
  EXPECT_EQ(run.exit_status, 0) << run.standard_output << run.standard_error;
  EXPECT_NE(run.standard_output.find("chi2 = 0.5000 for 1 degree of freedom"), std::string::npos)
      << run.standard_output;
  EXPECT_NE(run.standard_output.find("133Cs     -94547.563097"), std::string::npos);
  EXPECT_NE(run.standard_output.find("    1.0677"), std::string::npos) << run.standard_output;

  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"common run7 two.equat:2 0.8\n",
            "freq2equat-adjust: bad.cov:1: 'two.equat:2' is no equation's FILE:LINE as the report "
            "names it\n"},
           {"\ncorrelation two.equat:1 two.equat:5 1.5\n",
            "freq2equat-adjust: bad.cov:2: the correlation '1.5' is not a number in [-1, 1]\n"},
           {"common run7 two.equat:1 2.0\n",
            "freq2equat-adjust: bad.cov:1: the common component 2.0 exceeds the equation's U\n"},
           {"common run7 two.equat:1 0.8\ncommon run7 two.equat:1 0.8\n",
            "freq2equat-adjust: bad.cov:2: two.equat:1 is in 'run7' already\n"},
           {"share two.equat:1\n",
            "freq2equat-adjust: bad.cov:1: not 'common NAME FILE:LINE PART' or 'correlation "
            "FILE:LINE FILE:LINE RHO'\n"},
           {"correlation two.equat:1 two.equat:5 0.9\ncommon a two.equat:1 1.0\n"
            "common a two.equat:5 1.0\n",
            "freq2equat-adjust: the covariances of the data are no covariance matrix (not "
            "positive definite): an equation's common components and correlations together exceed "
            "its "
            "U\n"}}) {
    dir.write("bad.cov", text);
    const RunResult bad = adjust_in(dir, {"two.equat", "--data-covariance", "bad.cov"});
    EXPECT_EQ(bad.exit_status, 2) << text;
    EXPECT_EQ(bad.standard_error, message) << text;
    EXPECT_EQ(bad.standard_output, "");
  }
}

// Symbols the converter copies as they stand reach every output safely: a
// comma is quoted in the correlations CSV (else its columns shift), and an
// escape sequence shows as <1B> in the report (else it acts on the terminal).
TEST(AdjustProgram, OddSymbolsReachEveryOutputSafely) {
  ScratchDir dir;
  dir.write("odd.equat", group(133, "S,r", 85, "Rb", 1.565, 43501.0271, 0.01, -94548.0, 0.01) +
                             group(134, "\x1b[2J", 85, "Rb", 1.576, 44000.0, 0.01, -95000.0, 0.01) +
                             normal_end);
  const RunResult run = adjust_in(dir, {"odd.equat", "--correlations", "c.csv"});
  ASSERT_NE(run.exit_status, 2) << run.standard_error;
  const std::string csv = dir.read("c.csv").value();
  const std::string header = csv.substr(0, csv.find('\n'));
  EXPECT_NE(header.find(",\"133S,r\""), std::string::npos) << header;
  EXPECT_NE(csv.find("\n\"133S,r\","), std::string::npos) << csv;
  EXPECT_EQ(run.standard_output.find('\x1b'), std::string::npos);
  EXPECT_NE(run.standard_output.find("134<1B>[2J"), std::string::npos) << run.standard_output;
}

}  // namespace
