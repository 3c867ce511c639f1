// run_program.h - runs a program in a child process and collects what it did.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct RunOptions {
  std::string working_directory;
  // Variables set (or, with an empty optional, removed) on top of the
  // inherited environment. TABSIZE is always removed first.
  std::vector<std::pair<std::string, std::optional<std::string>>> environment;
  // RLIMIT_FSIZE for the child. SIGXFSZ and SIGPIPE are always reset to
  // their default action before the program starts, as a shell leaves them:
  // an ignored disposition would survive exec and hide a program that
  // relies on it.
  std::optional<std::uint64_t> file_size_limit;
  // Standard error is a pipe whose reading end is already closed.
  bool standard_error_closed = false;
  // Drop root privileges (to nobody) so that file modes are enforced.
  bool unprivileged = false;
  // The child's standard input: a pipe holding these bytes (at most a pipe's
  // 64 KiB), closed after them. None: /dev/null.
  std::optional<std::string> standard_input;
  // Kill the child (SIGKILL) once it has run this long; RunResult then says
  // timed_out. None: wait for as long as it takes.
  std::optional<int> timeout_ms;
};

struct RunResult {
  int exit_status = -1;  // as a POSIX parent sees it; 128 + n for signal n
  std::string standard_output;
  std::string standard_error;
  // The child was killed at RunOptions::timeout_ms.
  bool timed_out = false;
  // The child's peak resident set in KiB (ru_maxrss of wait4). Linux counts
  // the forked copy of this process before exec in it, so compare it with
  // the peak of a small run made the same way rather than with a constant.
  long peak_rss_kib = -1;
};

// Runs `program` (no arguments beyond argv[0] and `arguments`).
RunResult run_program(const std::string& program, const RunOptions& options,
                      const std::vector<std::string>& arguments = {});

// Runs `body` in a forked child under `options` (working directory, limit,
// environment) and returns how the child ended; the child's standard error
// is collected. `body` should end the process itself.
RunResult run_in_child(const std::function<void()>& body, const RunOptions& options);

// One system call of a traced child, seen at its entry and again at its exit.
struct SystemCall {
  int pid = 0;
  bool entry = true;  // false: at its exit, with `result` set
  long number = -1;   // SYS_openat, SYS_close, ...
  unsigned long long arguments[6] = {};
  long long result = 0;  // at exit: the return value, -errno on failure
  // The NUL-terminated string at `address` in the child (at most 4096 bytes).
  std::string read_string(unsigned long long address) const;
};

// Runs `program` as run_program does, but stops it at the entry and the exit
// of each of its system calls and hands each stop to `hook`, which can act
// at the exact moment between two calls (create a file, for instance).
// RunOptions::timeout_ms is not applied.
RunResult run_program_traced(const std::string& program, const RunOptions& options,
                             const std::function<void(SystemCall&)>& hook,
                             const std::vector<std::string>& program_arguments = {});

// True when this machine lets a test trace its child's system calls
// (x86-64 Linux, with ptrace permitted).
bool can_trace_system_calls();

// True when this process can drop privileges for `unprivileged` runs.
bool can_run_unprivileged();

// The user id that unprivileged runs use.
unsigned unprivileged_uid();

}  // namespace testing_support
