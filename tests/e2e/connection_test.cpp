// connection_test.cpp - the program's connection failures, end to end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using testing_support::RunOptions;
using testing_support::ScratchDir;

constexpr const char* table = "37 Rb 1 4.177\n";
constexpr const char* freq = "  85Rb     1    -88210.35000000     0.00500000\n";

testing_support::RunResult run_in(const ScratchDir& dir) {
  RunOptions options;
  options.working_directory = dir.path();
  return testing_support::run_program(FREQ2EQUAT_PROGRAM, options);
}

// An input that cannot be opened for writing must be refused even for root:
// a directory under the input's name makes the refusal real.
TEST(Connection, InputThatIsADirectoryIsAccessDenied) {
  struct Case {
    const char* directory;
    const char* unit_line;
  };
  for (const Case& c : {Case{"vemo.freq", "? OPEN(UNIT=3,...\n"},
                        Case{"ionization.data", "? OPEN(UNIT=10,...\n"}}) {
    SCOPED_TRACE(c.directory);
    ScratchDir dir;
    if (std::string(c.directory) != "vemo.freq") dir.write("vemo.freq", freq);
    if (std::string(c.directory) != "ionization.data") dir.write("ionization.data", table);
    ASSERT_EQ(mkdir(dir.file(c.directory).c_str(), 0755), 0);
    const auto result = run_in(dir);
    EXPECT_EQ(result.exit_status, 255);
    EXPECT_EQ(result.standard_error,
              std::string("? System Error:\n? Access Denied.\n") + c.unit_line);
    EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), "");
  }
}

// The second run in a directory must stop on the first run's output and
// leave it exactly as it was.
TEST(Connection, SecondRunLeavesFirstOutputUntouched) {
  ScratchDir dir;
  dir.write("ionization.data", table);
  const auto first = run_in(dir);  // vemo.freq missing: leaves an empty vemo.equat
  EXPECT_EQ(first.exit_status, 255);
  dir.write("vemo.freq", freq);
  dir.write("vemo.equat", "kept\r\n");
  const auto second = run_in(dir);
  EXPECT_EQ(second.exit_status, 255);
  EXPECT_EQ(dir.read("vemo.equat").value(), "kept\r\n");
  EXPECT_NE(second.standard_error.find("? Status 'NEW' specified for an existing file\n"
                                       "? OPEN(UNIT=1,...\n"),
            std::string::npos);
}

// A vemo.equat that is a symbolic link, even a dangling one, is never
// written through: the output must not land where the link points.
TEST(Connection, SymbolicLinkOutputIsNeverWrittenThrough) {
  ScratchDir dir;
  dir.write("vemo.freq", freq);
  dir.write("ionization.data", table);
  ASSERT_EQ(symlink("elsewhere.txt", dir.file("vemo.equat").c_str()), 0);
  const auto result = run_in(dir);
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_FALSE(dir.read("elsewhere.txt").has_value());
  // The refusal to follow the link must read as a refusal, not as a loop.
  EXPECT_EQ(result.standard_error, "? System Error:\n? Access Denied.\n? OPEN(UNIT=1,...\n");
}

// Arguments are ignored: scripts pass none, but a stray one must not change
// what the program does; only exactly --help or --version is answered.
TEST(Connection, ArgumentsAreIgnored) {
  ScratchDir dir;
  dir.write("ionization.data", table);
  RunOptions options;
  options.working_directory = dir.path();
  const auto result =
      testing_support::run_program(FREQ2EQUAT_PROGRAM, options, {"--help=yes", "--help"});
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.standard_output, "");
  EXPECT_EQ(result.standard_error,
            "? System Error:\n? The system cannot find the file specified.\n? OPEN(UNIT=3,...\n");
}

}  // namespace

namespace {

// The bundled example must keep giving the output shown in the README.
TEST(Example, GivesTheRecordedOutput) {
  ScratchDir dir;
  for (const char* name : {"vemo.freq", "ionization.data"}) {
    dir.write(name,
              testing_support::read_file(std::string(FREQ2EQUAT_EXAMPLES) + "/" + name).value());
  }
  const auto result = run_in(dir);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.standard_error, "");
  EXPECT_EQ(
      dir.read("vemo.equat").value(),
      testing_support::read_file(std::string(FREQ2EQUAT_EXAMPLES) + "/expected.equat").value());
}

}  // namespace
