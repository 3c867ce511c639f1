// written_files_test.cpp - what the programs do with the files they write:
// only regular files replaced, one file never named twice, every file or
// none, the user's permissions kept.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

// The converter's own example output: it adjusts with no warning.
ScratchDir& with_equations(ScratchDir& dir) {
  dir.write(
      "vemo.equat",
      testing_support::read_file(std::string(FREQ2EQUAT_EXAMPLES) + "/expected.equat").value());
  return dir;
}

RunResult adjust(const ScratchDir& dir, std::vector<std::string> arguments,
                 const char* standard_output = nullptr) {
  RunOptions options;
  options.working_directory = dir.path();
  options.timeout_ms = 20000;
  arguments.insert(arguments.begin(), "vemo.equat");
  if (standard_output == nullptr)
    return testing_support::run_program(FREQ2EQUAT_ADJUST_PROGRAM, options, arguments);
  std::string command = "exec \"$0\"";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += std::string(" >") + standard_output;
  return testing_support::run_program("/bin/sh", options,
                                      {"-c", command, FREQ2EQUAT_ADJUST_PROGRAM});
}

struct Refusal {
  const char* name;
  // Makes the target "t" (and what it needs) in the directory; false: the
  // machine cannot make it.
  bool (*make)(const ScratchDir&);
  std::vector<std::string> arguments;
  const char* message;
};

void PrintTo(const Refusal& r, std::ostream* out) { *out << r.name; }

bool fifo(const ScratchDir& dir) { return ::mkfifo(dir.file("t").c_str(), 0644) == 0; }

class Refusals : public testing::TestWithParam<Refusal> {};

// Refused before anything is read, in one line, and the file is as it was
// (a FIFO left unopened: the run does not wait for a reader).
TEST_P(Refusals, BeforeAnythingIsRead) {
  ScratchDir dir;
  with_equations(dir);
  if (!GetParam().make(dir)) GTEST_SKIP() << "cannot make the target here (mknod needs root)";
  struct stat before {};
  ::lstat(dir.file("t").c_str(), &before);
  const RunResult run = adjust(dir, GetParam().arguments);
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.standard_error, std::string("freq2equat-adjust: ") + GetParam().message + "\n");
  EXPECT_EQ(run.standard_output, "");
  struct stat after {};
  ::lstat(dir.file("t").c_str(), &after);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

INSTANTIATE_TEST_SUITE_P(
    WrittenFiles, Refusals,
    testing::Values(
        Refusal{"Device",
                [](const ScratchDir& dir) {
                  return ::mknod(dir.file("t").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
                },
                {"--json", "t"},
                "cannot write 't': not a regular file"},
        Refusal{"Fifo", fifo, {"--correlations", "t"}, "cannot write 't': not a regular file"},
        Refusal{"LinkToFifo",
                [](const ScratchDir& dir) {
                  return fifo(dir) && ::symlink("t", dir.file("l").c_str()) == 0;
                },
                {"--json", "l"},
                "cannot write 'l': not a regular file"},
        Refusal{"Directory",
                [](const ScratchDir& dir) { return ::mkdir(dir.file("t").c_str(), 0755) == 0; },
                {"--json", "t"},
                "cannot write 't': not a regular file"},
        Refusal{"SameFileSpeltTwice",
                [](const ScratchDir&) { return true; },
                {"--json", "out.json", "--correlations", "./out.json"},
                "--json and --correlations name the same file, './out.json'"},
        Refusal{
            "SameFileThroughALinkNotYetWritten",
            [](const ScratchDir& dir) { return ::symlink("out.json", dir.file("t").c_str()) == 0; },
            {"--json", "out.json", "--correlations", "t"},
            "--json and --correlations name the same file, 't'"},
        Refusal{"OutputIsTheMassTable",
                [](const ScratchDir& dir) {
                  dir.write("t", "");
                  return true;
                },
                {"--masses", "t", "--json", "t"},
                "--json 't' names an input file, 't'"}));

// A later failure (an output that cannot be made, a report that cannot
// reach standard output) leaves every target as it was and no temporary
// file behind.
TEST(WrittenFiles, EveryFileOrNone) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this machine";
  struct Case {
    std::vector<std::string> arguments;
    const char* standard_output;
  };
  for (const Case& c : {Case{{"--json", "out.json", "--plot", "nodir/p.svg"}, nullptr},
                        Case{{"--json", "out.json", "--correlations", "c.csv"}, "/dev/full"}}) {
    SCOPED_TRACE(c.arguments.back());
    ScratchDir dir;
    with_equations(dir);
    dir.write("out.json", "old\n");
    const RunResult run = adjust(dir, c.arguments, c.standard_output);
    EXPECT_EQ(run.exit_status, 2) << run.standard_error;
    EXPECT_EQ(dir.read("out.json").value(), "old\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"out.json", "vemo.equat"}));
  }
}

// The replaced file keeps the permissions the user gave the old one.
TEST(WrittenFiles, ReplacingKeepsTheMode) {
  ScratchDir dir;
  with_equations(dir);
  dir.write("out.json", "old\n");
  ::chmod(dir.file("out.json").c_str(), 0600);
  ASSERT_EQ(adjust(dir, {"--json", "out.json"}).exit_status, 0);
  struct stat after {};
  ::stat(dir.file("out.json").c_str(), &after);
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  EXPECT_NE(dir.read("out.json").value(), "old\n");
}

// A file name that is not UTF-8 still makes valid JSON (U+FFFD for the
// byte) and a picture, never an abort.
TEST(WrittenFiles, NamesThatAreNotText) {
  ScratchDir dir;
  with_equations(dir);
  const std::string name = "run\xe9.equat";
  dir.write(name, dir.read("vemo.equat").value());
  RunOptions options;
  options.working_directory = dir.path();
  options.timeout_ms = 20000;
  const RunResult run = testing_support::run_program(
      FREQ2EQUAT_ADJUST_PROGRAM, options, {name, "--json", "out.json", "--plot", "p\xe9.svg"});
  EXPECT_EQ(run.exit_status, 0) << run.standard_error;
  EXPECT_NE(dir.read("out.json").value_or("").find("run\xef\xbf\xbd.equat"), std::string::npos);
  EXPECT_TRUE(dir.read("p\xe9.svg").has_value());
}

}  // namespace
