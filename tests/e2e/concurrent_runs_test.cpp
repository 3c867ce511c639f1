// concurrent_runs_test.cpp - two runs in one directory. Both may pass the
// existence test of "vemo.equat"; the one that then meets the other's file
// at its exclusive create must stop with the "NEW" report and leave that
// file alone, instead of truncating it and splicing two outputs into one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace {

using testing_support::RunOptions;
using testing_support::ScratchDir;
using testing_support::SystemCall;

constexpr const char* new_report_tail =
    "? Status 'NEW' specified for an existing file\n? OPEN(UNIT=1,...\n";

void write_inputs(const ScratchDir& dir) {
  dir.write("ionization.data", testing_support::worked_table);
  dir.write("vemo.freq",
            std::string(testing_support::worked_reference) + testing_support::worked_measurement);
}

// The name appears at the one moment the existence test cannot see: the
// tracer creates it when the program enters its exclusive create. A plain
// file and a hard link to a file the program must never touch both stay as
// they were.
TEST(ConcurrentRuns, NameTakenBeforeTheExclusiveCreateIsLeftAlone) {
  if (!testing_support::can_trace_system_calls()) {
    GTEST_SKIP() << "system calls of a child cannot be traced here (needs x86-64 Linux and ptrace)";
  }
  struct Case {
    const char* name;
    std::function<void(const ScratchDir&)> take_name;
  };
  const Case cases[] = {
      {"another run's file", [](const ScratchDir& d) { d.write("vemo.equat", "rival\r\n"); }},
      {"a hard link",
       [](const ScratchDir& d) {
         ASSERT_EQ(link(d.file("precious.txt").c_str(), d.file("vemo.equat").c_str()), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    write_inputs(dir);
    dir.write("precious.txt", "rival\r\n");
    int taken = 0;
    const auto hook = [&](SystemCall& call) {
      const bool at = call.number == SYS_openat, plain = call.number == SYS_open;
      if (!call.entry || (!at && !plain)) return;
      const unsigned long long flags = call.arguments[at ? 2 : 1];
      if ((flags & O_EXCL) != 0 && call.read_string(call.arguments[at ? 1 : 0]) == "vemo.equat") {
        c.take_name(dir);
        ++taken;
      }
    };
    RunOptions options;
    options.working_directory = dir.path();
    const auto result = testing_support::run_program_traced(FREQ2EQUAT_PROGRAM, options, hook);
    ASSERT_EQ(taken, 1) << "the program made no exclusive create of vemo.equat";
    EXPECT_EQ(result.exit_status, 255);
    const auto tail = result.standard_error.find("? Status");
    EXPECT_EQ(result.standard_error.substr(tail == std::string::npos ? 0 : tail), new_report_tail)
        << result.standard_error;
    EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), "rival\r\n");
    EXPECT_EQ(dir.read("precious.txt").value_or("<none>"), "rival\r\n");
  }
}

// Two runs released together, with outputs that differ (the tab in each
// measurement line expands by TABSIZE, which moves a digit out of its
// field): exactly one may succeed, and the file is its output, whole.
TEST(ConcurrentRuns, OfTwoRacingRunsOneWinsAndItsOutputIsWhole) {
  constexpr int pairs = 50;
  std::string freq = testing_support::worked_reference;
  for (int i = 0; i < 200; ++i) freq += " 133Cs     1   1565221.53684744  1.5\t\t2\n";
  const char* tab_sizes[2] = {"1", "8"};
  std::string outputs[2];
  for (int k = 0; k < 2; ++k) {
    ScratchDir dir;
    dir.write("ionization.data", testing_support::worked_table);
    dir.write("vemo.freq", freq);
    RunOptions options;
    options.working_directory = dir.path();
    options.environment = {{"TABSIZE", std::string(tab_sizes[k])}};
    ASSERT_EQ(testing_support::run_program(FREQ2EQUAT_PROGRAM, options).exit_status, 0);
    outputs[k] = dir.read("vemo.equat").value();
  }
  ASSERT_NE(outputs[0], outputs[1]);
  ASSERT_GT(outputs[0].size(), 2u * 8192u);

  for (int pair = 0; pair < pairs; ++pair) {
    SCOPED_TRACE(pair);
    ScratchDir dir;
    dir.write("ionization.data", testing_support::worked_table);
    dir.write("vemo.freq", freq);
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    pid_t runs[2];
    for (int k = 0; k < 2; ++k) {
      runs[k] = fork();
      if (runs[k] == 0) {
        close(gate[1]);
        char byte;
        while (read(gate[0], &byte, 1) < 0) {
        }  // released when the gate closes
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 2);
        if (chdir(dir.path().c_str()) != 0) _exit(121);
        setenv("TABSIZE", tab_sizes[k], 1);
        execl(FREQ2EQUAT_PROGRAM, FREQ2EQUAT_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
      }
    }
    close(gate[0]);
    close(gate[1]);
    int status[2] = {-1, -1};
    for (int k = 0; k < 2; ++k) {
      int wait_status = 0;
      ASSERT_EQ(waitpid(runs[k], &wait_status, 0), runs[k]);
      status[k] = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    }
    ASSERT_TRUE((status[0] == 0 && status[1] == 255) || (status[0] == 255 && status[1] == 0))
        << status[0] << " " << status[1];
    EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), outputs[status[0] == 0 ? 0 : 1]);
  }
}

}  // namespace
