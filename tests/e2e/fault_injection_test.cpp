// fault_injection_test.cpp - the program against a hostile file system:
// files that vanish or change between runs, an output name that is a
// directory or a symbolic link, inputs that are FIFOs, sockets, devices or
// too large, a directory it may not write, signals of failed writes and a
// close that reports an error. Each case must give the
// failure report or a well-defined outcome, never a crash or a hang, and
// must leave every file it should not touch exactly as it was.
//
// A full disk at every block boundary is conversion_test.cpp's DiskFull; a
// directory as an input, a dangling link as the output and a second run
// over an existing output are connection_test.cpp's.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/faulty_fs.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

constexpr const char* table = testing_support::worked_table;
constexpr const char* reference = testing_support::worked_reference;
constexpr const char* measurement = testing_support::worked_measurement;
constexpr const char* normal_end = "0Normal End of Freq.Ratios to Equations Conversion\r\n";
constexpr const char* failure_end = "0Error in File Reading\r\n";

// Every run is bounded: a program that waits for a writer or loops must
// fail the test, not stall the suite.
constexpr int run_timeout_ms = 20000;

RunResult run(const ScratchDir& dir, bool unprivileged = false) {
  RunOptions options;
  options.working_directory = dir.path();
  options.unprivileged = unprivileged;
  options.timeout_ms = run_timeout_ms;
  return testing_support::run_program(FREQ2EQUAT_PROGRAM, options);
}

std::string freq() { return std::string(reference) + measurement; }

// The report's three lines: heading, message, statement.
void expect_report(const RunResult& result, const std::string& heading_and_message,
                   const std::string& statement) {
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.standard_output, "");
  EXPECT_EQ(result.standard_error, heading_and_message + statement) << result.standard_error;
}

void expect_run_time_report(const RunResult& result, const std::string& message,
                            const std::string& statement) {
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 255);
  const auto first_end = result.standard_error.find('\n');
  ASSERT_NE(first_end, std::string::npos) << result.standard_error;
  // The heading of the layer's own conditions is one short line ending in a colon.
  EXPECT_EQ(result.standard_error.rfind("? ", 0), 0u);
  EXPECT_EQ(result.standard_error[first_end - 1], ':');
  EXPECT_EQ(result.standard_error.substr(first_end + 1), "? " + message + "\n" + statement);
}

std::string complete_output(const std::string& freq_bytes, const std::string& table_bytes) {
  ScratchDir dir;
  dir.write("vemo.freq", freq_bytes);
  dir.write("ionization.data", table_bytes);
  const auto result = run(dir);
  EXPECT_EQ(result.exit_status, 0);
  return dir.read("vemo.equat").value_or("<none>");
}

struct stat status_of(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info;
}

// Bytes and modification time: an input opened for writing that is written
// to, even with the same bytes, changes its time.
void expect_untouched(const std::string& path, const std::string& bytes,
                      const struct stat& before) {
  EXPECT_EQ(testing_support::read_file(path).value_or("<gone>"), bytes) << path;
  const struct stat after = status_of(path);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec) << path;
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << path;
}

// The guard the tests below rely on: a child that never ends is killed at
// the deadline and reported as timed out, instead of stalling the suite.
TEST(TimeoutGuard, HangingChildIsKilledAndReported) {
  RunOptions options;
  options.timeout_ms = 200;
  const RunResult result = testing_support::run_in_child([] { pause(); }, options);
  EXPECT_TRUE(result.timed_out);
  EXPECT_EQ(result.exit_status, 128 + SIGKILL);
}

// ---------------------------------------------------------------------------
// Between runs

// An input removed after a run must be reported on the next run, with the
// new empty output left behind and the other input untouched: a program
// that cached anything of the first run would go on without it.
TEST(BetweenRuns, InputThatVanishesIsReportedNextRun) {
  struct Case {
    const char* vanished;
    const char* statement;
  };
  for (const Case& c : {Case{"vemo.freq", "? OPEN(UNIT=3,...\n"},
                        Case{"ionization.data", "? OPEN(UNIT=10,...\n"}}) {
    SCOPED_TRACE(c.vanished);
    ScratchDir dir;
    dir.write("vemo.freq", freq());
    dir.write("ionization.data", table);
    ASSERT_EQ(run(dir).exit_status, 0);
    ASSERT_EQ(unlink(dir.file("vemo.equat").c_str()), 0);
    ASSERT_EQ(unlink(dir.file(c.vanished).c_str()), 0);
    const std::string other =
        std::string(c.vanished) == "vemo.freq" ? "ionization.data" : "vemo.freq";
    const std::string other_bytes = other == "vemo.freq" ? freq() : table;
    const struct stat other_before = status_of(dir.file(other));
    expect_report(run(dir), "? System Error:\n? The system cannot find the file specified.\n",
                  c.statement);
    EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), "");
    expect_untouched(dir.file(other), other_bytes, other_before);
    EXPECT_EQ(dir.names(), other == "vemo.freq"
                               ? (std::vector<std::string>{"vemo.equat", "vemo.freq"})
                               : (std::vector<std::string>{"ionization.data", "vemo.equat"}));
  }
}

// Inputs rewritten between runs (grown, emptied, table changed) must give
// exactly what a first run on the new files gives: nothing of the earlier
// run may leak into the next.
TEST(BetweenRuns, ChangedInputsGiveTheOutputOfTheNewFiles) {
  struct Change {
    const char* name;
    std::string freq;
    std::string table;
  };
  const std::vector<Change> changes = {
      {"measurement added", freq() + measurement, table},
      {"freq emptied", "", table},
      {"freq cut inside the measurement", freq().substr(0, 60), table},
      {"table emptied", freq(), ""},
      {"table changed", freq(), "55 Cs 1 3.894\n37 Rb 1 5.0\n"},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    ScratchDir dir;
    dir.write("vemo.freq", freq());
    dir.write("ionization.data", table);
    ASSERT_EQ(run(dir).exit_status, 0);
    const std::string first = dir.read("vemo.equat").value();
    ASSERT_EQ(unlink(dir.file("vemo.equat").c_str()), 0);
    dir.write("vemo.freq", change.freq);
    dir.write("ionization.data", change.table);
    const auto second = run(dir);
    EXPECT_EQ(second.exit_status, 0);
    EXPECT_EQ(second.standard_error, "");
    const std::string output = dir.read("vemo.equat").value_or("<none>");
    EXPECT_EQ(output, complete_output(change.freq, change.table));
    EXPECT_NE(output, first);
  }
}

// ---------------------------------------------------------------------------
// The output's name taken by something that is not a plain new file

// Whatever holds the name "vemo.equat", the run must stop before writing a
// byte anywhere: not into the directory, not through the link, not into the
// link's target.
TEST(OutputName, DirectoryIsAnExistingFile) {
  ScratchDir dir;
  dir.write("vemo.freq", freq());
  dir.write("ionization.data", table);
  ASSERT_EQ(mkdir(dir.file("vemo.equat").c_str(), 0755), 0);
  expect_run_time_report(run(dir), "Status 'NEW' specified for an existing file",
                         "? OPEN(UNIT=1,...\n");
  EXPECT_EQ(testing_support::read_file(dir.file("vemo.equat")), std::nullopt);
  struct stat info {};
  ASSERT_EQ(stat(dir.file("vemo.equat").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_nlink, 2u);  // still empty
}

// A link to an existing file names an existing file: refused, and the
// target keeps its bytes and its time.
TEST(OutputName, SymbolicLinkToAFileLeavesTheTargetUntouched) {
  ScratchDir dir;
  dir.write("vemo.freq", freq());
  dir.write("ionization.data", table);
  dir.write("target.txt", "precious\n");
  const struct stat before = status_of(dir.file("target.txt"));
  ASSERT_EQ(symlink("target.txt", dir.file("vemo.equat").c_str()), 0);
  expect_run_time_report(run(dir), "Status 'NEW' specified for an existing file",
                         "? OPEN(UNIT=1,...\n");
  expect_untouched(dir.file("target.txt"), "precious\n", before);
  EXPECT_TRUE(S_ISLNK(status_of(dir.file("vemo.equat")).st_mode));
}

// A link to a directory, and a dangling link into a directory that does not
// exist: neither may make the program create anything where they point.
TEST(OutputName, SymbolicLinksIntoDirectoriesCreateNothing) {
  struct Case {
    const char* name;
    const char* target;
    bool existing;  // the target exists: refused as an existing file
  };
  for (const Case& c : {Case{"link to a directory", "sub", true},
                        Case{"dangling into a missing directory", "missing/vemo.equat", false},
                        Case{"dangling into an existing directory", "sub/vemo.equat", false}}) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    dir.write("vemo.freq", freq());
    dir.write("ionization.data", table);
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
    ASSERT_EQ(symlink(c.target, dir.file("vemo.equat").c_str()), 0);
    const auto result = run(dir);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, 255);
    if (c.existing) {
      expect_run_time_report(result, "Status 'NEW' specified for an existing file",
                             "? OPEN(UNIT=1,...\n");
    } else {
      EXPECT_EQ(result.standard_error.rfind("? System Error:\n", 0), 0u) << result.standard_error;
      EXPECT_NE(result.standard_error.find("? OPEN(UNIT=1,...\n"), std::string::npos);
    }
    EXPECT_FALSE(testing_support::read_file(dir.file("sub/vemo.equat")).has_value());
    EXPECT_FALSE(testing_support::read_file(dir.file("missing/vemo.equat")).has_value());
    struct stat sub {};
    ASSERT_EQ(stat(dir.file("sub").c_str(), &sub), 0);
    EXPECT_EQ(sub.st_nlink, 2u);
    EXPECT_TRUE(S_ISLNK(status_of(dir.file("vemo.equat")).st_mode));
  }
}

// ---------------------------------------------------------------------------
// Inputs that are not plain files

// A FIFO with no writer would block an open for reading and never reach end
// of file when opened for reading and writing; a socket holds no lines. Both
// must be refused at once, as Access Denied, with the empty output left.
TEST(InputKind, FifoWithoutWriterAndSocketAreRefusedWithoutHanging) {
  struct Case {
    const char* name;
    const char* statement;
    bool socket;
  };
  for (const Case& c : {Case{"vemo.freq", "? OPEN(UNIT=3,...\n", false},
                        Case{"ionization.data", "? OPEN(UNIT=10,...\n", false},
                        Case{"vemo.freq", "? OPEN(UNIT=3,...\n", true},
                        Case{"ionization.data", "? OPEN(UNIT=10,...\n", true}}) {
    SCOPED_TRACE(std::string(c.name) + (c.socket ? " socket" : " fifo"));
    ScratchDir dir;
    if (std::string(c.name) != "vemo.freq") dir.write("vemo.freq", freq());
    if (std::string(c.name) != "ionization.data") dir.write("ionization.data", table);
    int bound = -1;
    if (c.socket) {
      bound = socket(AF_UNIX, SOCK_STREAM, 0);
      ASSERT_GE(bound, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      const std::string path = dir.file(c.name);
      if (path.size() >= sizeof address.sun_path) {
        close(bound);
        GTEST_SKIP() << "scratch path too long for a socket name: " << path;
      }
      std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
      ASSERT_EQ(bind(bound, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    } else {
      ASSERT_EQ(mkfifo(dir.file(c.name).c_str(), 0644), 0);
    }
    const auto result = run(dir);
    if (bound >= 0) close(bound);
    EXPECT_FALSE(result.timed_out) << "the program waited on a " << (c.socket ? "socket" : "FIFO");
    expect_report(result, "? System Error:\n? Access Denied.\n", c.statement);
    EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), "");
  }
}

// Character devices are files the program takes: /dev/null as either input
// reads as an empty file, so the run ends with its closing record.
TEST(InputKind, CharacterDeviceReadsAsAnEmptyFile) {
  {
    SCOPED_TRACE("vemo.freq -> /dev/null");
    ScratchDir dir;
    dir.write("ionization.data", table);
    ASSERT_EQ(symlink("/dev/null", dir.file("vemo.freq").c_str()), 0);
    const auto result = run(dir);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.standard_error, "");
    // A reference line is due at end of file: the failure closing record.
    EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), failure_end);
  }
  {
    SCOPED_TRACE("ionization.data -> /dev/null");
    ScratchDir dir;
    dir.write("vemo.freq", freq());
    ASSERT_EQ(symlink("/dev/null", dir.file("ionization.data").c_str()), 0);
    const auto result = run(dir);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.standard_error, "");
    const std::string output = dir.read("vemo.equat").value_or("<none>");
    EXPECT_EQ(output, complete_output(freq(), ""));
    const std::string closing = normal_end;
    ASSERT_GE(output.size(), closing.size());
    EXPECT_EQ(output.substr(output.size() - closing.size()), closing);
  }
}

// An input linked by a symbolic link is read through it and never written:
// the program opens its inputs for reading and writing, so a stray write or
// truncation would show in the target's bytes or time.
TEST(InputKind, LinkedInputsAreReadAndLeftUntouched) {
  ScratchDir dir;
  dir.write("real.freq", freq());
  dir.write("real.data", table);
  const struct stat freq_before = status_of(dir.file("real.freq"));
  const struct stat table_before = status_of(dir.file("real.data"));
  ASSERT_EQ(symlink("real.freq", dir.file("vemo.freq").c_str()), 0);
  ASSERT_EQ(symlink("real.data", dir.file("ionization.data").c_str()), 0);
  const auto result = run(dir);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), complete_output(freq(), table));
  expect_untouched(dir.file("real.freq"), freq(), freq_before);
  expect_untouched(dir.file("real.data"), table, table_before);
}

// A dangling link as an input is a missing file, not something to create.
TEST(InputKind, DanglingLinkInputIsAMissingFile) {
  ScratchDir dir;
  dir.write("ionization.data", table);
  ASSERT_EQ(symlink("nowhere.freq", dir.file("vemo.freq").c_str()), 0);
  expect_report(run(dir), "? System Error:\n? The system cannot find the file specified.\n",
                "? OPEN(UNIT=3,...\n");
  EXPECT_FALSE(dir.read("nowhere.freq").has_value());
  EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), "");
}

// A disk file of 4 GiB or more is refused at its connection (its size does
// not fit the layer's block arithmetic): a sparse file makes one cheaply.
TEST(InputKind, InputOf4GiBIsAccessDenied) {
  for (const auto& [name, statement] : {std::pair{"vemo.freq", "? OPEN(UNIT=3,...\n"},
                                        std::pair{"ionization.data", "? OPEN(UNIT=10,...\n"}}) {
    SCOPED_TRACE(name);
    ScratchDir dir;
    dir.write("vemo.freq", freq());
    dir.write("ionization.data", table);
    if (truncate(dir.file(name).c_str(), 4LL << 30) != 0) {
      GTEST_SKIP() << "this file system cannot hold a sparse 4 GiB file: " << std::strerror(errno);
    }
    expect_report(run(dir), "? System Error:\n? Access Denied.\n", statement);
    struct stat info {};
    ASSERT_EQ(stat(dir.file(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 4LL << 30);
    EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), "");
  }
}

// ---------------------------------------------------------------------------
// A directory the program may not write

// In a directory without write permission the output cannot be created:
// the first connection fails with Access Denied, no file appears and the
// inputs stay as they were. As root the refusal is made real by running as
// an unprivileged user.
TEST(ReadOnlyDirectory, OutputCannotBeCreated) {
  ScratchDir dir;
  dir.write("vemo.freq", freq());
  dir.write("ionization.data", table);
  const bool as_root = geteuid() == 0;
  if (as_root && !testing_support::can_run_unprivileged()) {
    GTEST_SKIP() << "running as root and unable to drop privileges";
  }
  const struct stat freq_before = status_of(dir.file("vemo.freq"));
  const struct stat table_before = status_of(dir.file("ionization.data"));
  // Readable and searchable by everyone (the unprivileged user must reach
  // the files), writable by no one.
  ASSERT_EQ(chmod(dir.file("vemo.freq").c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir.file("ionization.data").c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  const auto result = run(dir, as_root);
  chmod(dir.path().c_str(), 0755);
  if (as_root && result.exit_status == 121) {
    GTEST_SKIP() << "the unprivileged user cannot enter " << dir.path();
  }
  expect_report(result, "? System Error:\n? Access Denied.\n", "? OPEN(UNIT=1,...\n");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"ionization.data", "vemo.freq"}));
  expect_untouched(dir.file("vemo.freq"), freq(), freq_before);
  expect_untouched(dir.file("ionization.data"), table, table_before);
}

// A read-only directory that already holds a writable vemo.equat: the name
// exists, so the run is refused before anything is opened for writing, and
// the file keeps its bytes.
TEST(ReadOnlyDirectory, ExistingOutputIsRefusedAndKept) {
  ScratchDir dir;
  dir.write("vemo.freq", freq());
  dir.write("ionization.data", table);
  dir.write("vemo.equat", "kept\r\n");
  const bool as_root = geteuid() == 0;
  if (as_root && !testing_support::can_run_unprivileged()) {
    GTEST_SKIP() << "running as root and unable to drop privileges";
  }
  const struct stat before = status_of(dir.file("vemo.equat"));
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  const auto result = run(dir, as_root);
  chmod(dir.path().c_str(), 0755);
  if (as_root && result.exit_status == 121) {
    GTEST_SKIP() << "the unprivileged user cannot enter " << dir.path();
  }
  expect_run_time_report(result, "Status 'NEW' specified for an existing file",
                         "? OPEN(UNIT=1,...\n");
  expect_untouched(dir.file("vemo.equat"), "kept\r\n", before);
}

// ---------------------------------------------------------------------------
// Signals and a failed close

// A file-size limit used to kill the run with SIGXFSZ (status 153) and a
// closed standard error with SIGPIPE (status 141), both without a report.
// The harness leaves both signals at their default action, as a shell does.
TEST(Signals, FileSizeLimitAndClosedStandardErrorEndWithStatus255) {
  const std::string complete = complete_output(freq(), table);
  ScratchDir dir;
  dir.write("vemo.freq", freq());
  dir.write("ionization.data", table);
  RunOptions options;
  options.working_directory = dir.path();
  options.timeout_ms = run_timeout_ms;
  options.file_size_limit = 100;
  expect_report(testing_support::run_program(FREQ2EQUAT_PROGRAM, options),
                "? System Error:\n? There is not enough space on the disk.\n",
                "? WRITE(UNIT=1,...\n");
  EXPECT_EQ(dir.read("vemo.equat").value_or("<none>"), complete.substr(0, 100));

  ScratchDir missing_input;  // the report goes to a pipe nobody reads
  missing_input.write("ionization.data", table);
  options.working_directory = missing_input.path();
  options.file_size_limit.reset();
  options.standard_error_closed = true;
  const RunResult result = testing_support::run_program(FREQ2EQUAT_PROGRAM, options);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 255);
}

// A file system may report a lost write only at close() (network and FUSE
// file systems do). Here a FUSE file system fails the close of one file:
// for the output that is the write-failure report, while an input's failed
// close changes nothing. The output's bytes are all in the file either way.
// This is the only test that sees an unreported failed close of the output,
// so where FREQ2EQUAT_REQUIRE_FUSE is set (CI sets it) it fails rather than
// skips when it cannot run.
TEST(FailedClose, OfTheOutputIsReportedOfAnInputIsNot) {
  const bool required = std::getenv("FREQ2EQUAT_REQUIRE_FUSE") != nullptr;
#ifndef TEST_SUPPORT_HAS_FUSE
  if (required) FAIL() << "built without libfuse3 (scripts/ensure-tools.sh --tests installs it)";
  GTEST_SKIP() << "built without libfuse3: no file system whose close fails";
#else
  const std::string complete = complete_output(freq(), table);
  struct Case {
    const char* name;
    int error;
    const char* report;  // empty: the run succeeds
  };
  for (const Case& c :
       {Case{"vemo.equat", EIO, "? System Error:\n? Input/output error.\n? WRITE(UNIT=1,...\n"},
        Case{"vemo.equat", EDQUOT,
             "? System Error:\n? There is not enough space on the disk.\n? WRITE(UNIT=1,...\n"},
        Case{"vemo.freq", EIO, ""}, Case{"ionization.data", EIO, ""}}) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    ASSERT_EQ(mkdir(dir.file("backing").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.file("mounted").c_str(), 0755), 0);
    testing_support::write_file(dir.file("backing/vemo.freq"), freq());
    testing_support::write_file(dir.file("backing/ionization.data"), table);
    testing_support::Faults faults;
    faults.failing_close_name = c.name;
    faults.close_error = c.error;
    const testing_support::FaultyMount mount(dir.file("backing"), dir.file("mounted"), faults);
    if (!mount.failure().empty()) {
      if (required) FAIL() << mount.failure();
      GTEST_SKIP() << mount.failure();
    }
    RunOptions options;
    options.working_directory = dir.file("mounted");
    options.timeout_ms = run_timeout_ms;
    const RunResult result = testing_support::run_program(FREQ2EQUAT_PROGRAM, options);
    EXPECT_GE(mount.failed_closes(), 1) << "no close of " << c.name << " was seen";
    EXPECT_EQ(result.exit_status, *c.report == '\0' ? 0 : 255);
    EXPECT_EQ(result.standard_error, c.report);
    EXPECT_EQ(testing_support::read_file(dir.file("backing/vemo.equat")).value_or("<none>"),
              complete);
  }
#endif
}

}  // namespace
