// shared_options_test.cpp - the checker and the adjustment answer the
// options they share alike, and the converter answers only --help and
// --version, touching no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

struct Program {
  const char* name;
  const char* path;
  // What the program needs on its command line to get as far as reading.
  std::vector<std::string> operands;
};

const Program programs[] = {
    {"freq2equat-check", FREQ2EQUAT_CHECK_PROGRAM, {}},
    {"freq2equat-adjust", FREQ2EQUAT_ADJUST_PROGRAM, {"vemo.equat"}},
};

RunResult run(const Program& program, const ScratchDir& dir, std::vector<std::string> arguments) {
  RunOptions options;
  options.working_directory = dir.path();
  options.timeout_ms = 20000;
  return testing_support::run_program(program.path, options, arguments);
}

std::vector<std::string> with_operands(const Program& program, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), program.operands.begin(), program.operands.end());
  return arguments;
}

// The --help lines of one option: its name line and the lines indented
// under it.
std::string help_of(const std::string& help, const std::string& option) {
  const std::size_t start = help.find("\n" + option);
  if (start == std::string::npos) return {};
  std::size_t end = help.find('\n', start + 1);
  while (end != std::string::npos && help.compare(end + 1, 24, std::string(24, ' ')) == 0) {
    end = help.find('\n', end + 1);
  }
  return help.substr(start + 1, end - start);
}

class SharedOptions : public testing::TestWithParam<Program> {};

TEST_P(SharedOptions, HelpHasOneLayoutAndOneTextPerSharedOption) {
  const Program& program = GetParam();
  ScratchDir dir;
  for (const char* help_option : {"-h", "--help"}) {
    const RunResult help = run(program, dir, {help_option});
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_EQ(help.standard_error, "");
    EXPECT_EQ(
        help.standard_output.rfind("Usage: " + std::string(program.name) + " [OPTION]... ", 0), 0u);
    // The same words for the same option in both programs: compared with
    // the checker's.
    const RunResult reference = run(programs[0], dir, {"--help"});
    for (const char* option : {"      --masses FILE|default", "      --plot-unit micro-u|keV",
                               "  -v, --verbose", "  -h, --help", "      --version"}) {
      const std::string lines = help_of(help.standard_output, option);
      EXPECT_NE(lines, "") << option;
      EXPECT_EQ(lines, help_of(reference.standard_output, option)) << option;
    }
  }
  EXPECT_EQ(dir.names(), std::vector<std::string>{});
}

TEST_P(SharedOptions, VersionIsOneLine) {
  const RunResult version = run(GetParam(), ScratchDir(), {"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.standard_output.rfind(std::string(GetParam().name) + " (freq2equat) ", 0), 0u);
  EXPECT_EQ(std::count(version.standard_output.begin(), version.standard_output.end(), '\n'), 1);
}

struct UsageError {
  const char* name;
  std::vector<std::string> arguments;
  const char* message;  // after "PROGRAM: ", before " (see --help)"
};

const UsageError usage_errors[] = {
    {"UnknownOption", {"--fast"}, "unknown option '--fast'"},
    {"MissingValue", {"--masses"}, "option '--masses' needs a value"},
    {"EmptyValue", {"--plot="}, "option '--plot' needs a value"},
    {"UnknownUnit", {"--plot-unit", "eV"}, "option '--plot-unit' takes micro-u or keV, not 'eV'"},
};

TEST_P(SharedOptions, UsageErrorsAreOneLineWithStatus2) {
  const Program& program = GetParam();
  for (const UsageError& error : usage_errors) {
    SCOPED_TRACE(error.name);
    const RunResult result = run(program, ScratchDir(), with_operands(program, error.arguments));
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_error,
              std::string(program.name) + ": " + error.message + " (see --help)\n");
    EXPECT_EQ(result.standard_output, "");
  }
}

// Every program gives the system's own reason for a file it cannot read,
// as GNU tools print it; --masses default and -v are taken by both.
TEST_P(SharedOptions, MissingFileReadsAsTheSystemSaysIt) {
  const Program& program = GetParam();
  // The checker reads the table first.
  const std::string missing =
      program.operands.empty() ? "ionization.data" : program.operands.front();
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"--masses", "default", "-v"}, {"--plot-unit", "keV"}}) {
    const RunResult result = run(program, ScratchDir(), with_operands(program, arguments));
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_error, std::string(program.name) + ": cannot read '" + missing +
                                         "': No such file or directory\n");
  }
  ScratchDir with_equations;
  with_equations.write("vemo.equat", "");
  const RunResult masses =
      run(program, with_equations, with_operands(program, {"--masses", "absent.csv"}));
  EXPECT_EQ(masses.standard_error,
            std::string(program.name) + ": cannot read 'absent.csv': No such file or directory\n");
}

INSTANTIATE_TEST_SUITE_P(Programs, SharedOptions, testing::ValuesIn(programs),
                         [](const testing::TestParamInfo<Program>& param) {
                           std::string name = param.param.name;
                           return name.substr(name.find('-') + 1);
                         });

// Asking the converter what it does must not start a conversion: in an
// empty directory it once made an empty vemo.equat, and the next real run
// was refused for it.
TEST(Converter, AnswersHelpAndVersionAndTouchesNoFile) {
  for (const char* option : {"--help", "--version"}) {
    ScratchDir dir;
    RunOptions options;
    options.working_directory = dir.path();
    const RunResult result = testing_support::run_program(FREQ2EQUAT_PROGRAM, options, {option});
    EXPECT_EQ(result.exit_status, 0) << option;
    EXPECT_EQ(result.standard_error, "") << option;
    EXPECT_NE(result.standard_output.find("freq2equat"), std::string::npos) << option;
    EXPECT_EQ(dir.names(), std::vector<std::string>{}) << option;
  }
}

}  // namespace
