// standard_output_test.cpp - what a program wrote to standard output must
// have arrived, or the run failed: every program checks it at its end,
// however the loss showed (a write refused in the middle of a long report,
// or a close that fails), and says "write error" with a failing status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/faulty_fs.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

std::string examples_file(const char* name) {
  return testing_support::read_file(std::string(FREQ2EQUAT_EXAMPLES) + "/" + name).value();
}

// The examples' inputs and the converter's equations from them.
void write_examples(const ScratchDir& dir) {
  dir.write("vemo.freq", examples_file("vemo.freq"));
  dir.write("ionization.data", examples_file("ionization.data"));
  dir.write("run.equat", examples_file("expected.equat"));
}

// Runs `program` with `arguments` and standard output sent to `target`, as
// a shell's redirection does it.
RunResult run_into(const char* program, const std::string& directory,
                   const std::vector<std::string>& arguments, const std::string& target) {
  RunOptions options;
  options.working_directory = directory;
  options.timeout_ms = 20000;
  std::vector<std::string> shell_arguments = {"-c", "exec \"$0\" \"$@\" >" + target, program};
  shell_arguments.insert(shell_arguments.end(), arguments.begin(), arguments.end());
  return testing_support::run_program("/bin/sh", options, shell_arguments);
}

// The last line of standard error is the program's write error (the
// checker's findings come before it).
bool ends_with_write_error(const std::string& standard_error, const std::string& program) {
  const std::size_t last_line = standard_error.rfind('\n', standard_error.size() - 2);
  const std::size_t start = last_line == std::string::npos ? 0 : last_line + 1;
  return !standard_error.empty() && standard_error.back() == '\n' &&
         standard_error.compare(start, program.size() + 13, program + ": write error") == 0;
}

struct LongReport {
  const char* name;
  const char* path;
  std::vector<std::string> arguments;
};

// A report of more than one 4 KiB buffer is refused in the middle, by a
// write that stdio makes and forgets; what is left in the buffer at the end
// may be nothing at all, so only the stream's error mark still tells.
TEST(StandardOutput, LongReportToAFullDiskIsAWriteError) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this machine";
  for (const LongReport& report :
       {LongReport{"freq2equat-check", FREQ2EQUAT_CHECK_PROGRAM, {"-v", "--no-masses"}},
        LongReport{"freq2equat-adjust", FREQ2EQUAT_ADJUST_PROGRAM, {"--kev", "run.equat"}}}) {
    SCOPED_TRACE(report.name);
    ScratchDir dir;
    write_examples(dir);
    RunOptions options;
    options.working_directory = dir.path();
    const RunResult whole = testing_support::run_program(report.path, options, report.arguments);
    ASSERT_GT(whole.standard_output.size(), 4096u) << "the report no longer fills a buffer";
    const RunResult lost = run_into(report.path, dir.path(), report.arguments, "/dev/full");
    EXPECT_EQ(lost.exit_status, 2);
    EXPECT_TRUE(ends_with_write_error(lost.standard_error, report.name)) << lost.standard_error;
  }
}

// A file system may report a lost write only at close() (network and FUSE
// ones do): the close of standard output is the last word on it.
TEST(StandardOutput, FailedCloseIsAWriteError) {
  const bool required = std::getenv("FREQ2EQUAT_REQUIRE_FUSE") != nullptr;
#ifndef TEST_SUPPORT_HAS_FUSE
  if (required) FAIL() << "built without libfuse3 (scripts/ensure-tools.sh --tests installs it)";
  GTEST_SKIP() << "built without libfuse3: no file system whose close fails";
#else
  struct Case {
    const char* name;
    const char* path;
    int status;
  };
  // The converter answers --version alone, with a status of its own.
  for (const Case& c : {Case{"freq2equat-check", FREQ2EQUAT_CHECK_PROGRAM, 2},
                        Case{"freq2equat-adjust", FREQ2EQUAT_ADJUST_PROGRAM, 2},
                        Case{"freq2equat", FREQ2EQUAT_PROGRAM, 1}}) {
    SCOPED_TRACE(c.name);
    const ScratchDir backing;
    const ScratchDir mounted;
    testing_support::Faults faults;
    faults.failing_close_name = "out";
    faults.close_error = EIO;
    const testing_support::FaultyMount mount(backing.path(), mounted.path(), faults);
    if (!mount.failure().empty()) {
      if (required) FAIL() << mount.failure();
      GTEST_SKIP() << mount.failure();
    }
    const RunResult result = run_into(c.path, mounted.path(), {"--version"}, "out");
    EXPECT_GE(mount.failed_closes(), 1);
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_TRUE(ends_with_write_error(result.standard_error, c.name)) << result.standard_error;
    EXPECT_NE(backing.read("out").value_or(""), "");
  }
#endif
}

}  // namespace
