// whole_run_fuzzer.cpp - the whole run over an arbitrary pair of
// "vemo.freq" and "ionization.data".
//
// One input holds both files: the bytes before the first line
// "@@ionization.data@@" are "vemo.freq", the bytes after it
// "ionization.data" (no such line: the table is empty). An input that
// begins with a line "TABSIZE=<value>" sets TABSIZE to that value for the
// run (values of more than three characters are dropped, so that no run
// spends its time filling gigabytes of tab blanks; the end-to-end tests
// cover those).
//
// The run ends its process, so each input runs in a forked child that
// chdirs into a scratch directory and calls start_up() and run_conversion()
// as the program does; the parent waits and checks what the child left:
// exit status 0, nothing on standard output or standard error, the inputs
// unchanged, no other file made, and a well-formed "vemo.equat" (see
// fuzz_support::check_equation_file). The child hands its coverage counters
// back through shared memory before it ends, so that libFuzzer is guided by
// what the run did although it ran in another process.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "conversion/conversion_run.h"
#include "fuzz/coverage_handoff.h"
#include "fuzz/fuzz_support.h"
#include "recordio/platform.h"
#include "recordio/process_start.h"
#include "recordio/units.h"

namespace {

using fuzz_support::fail;

constexpr std::string_view separator = "@@ionization.data@@\n";
constexpr std::string_view tabsize_prefix = "TABSIZE=";

std::string run_directory;

[[noreturn]] void child_exit(int status) {
  fuzz_support::coverage_handoff_save();
  ::_exit(status);
}

struct Inputs {
  std::string_view freq;
  std::string_view table;
  bool tabsize_set = false;
  std::string tabsize;
};

Inputs split(std::string_view data) {
  Inputs inputs;
  if (data.substr(0, tabsize_prefix.size()) == tabsize_prefix) {
    const std::size_t lf = data.find('\n');
    const std::string_view value =
        data.substr(tabsize_prefix.size(),
                    (lf == std::string_view::npos ? data.size() : lf) - tabsize_prefix.size());
    data.remove_prefix(lf == std::string_view::npos ? data.size() : lf + 1);
    if (value.size() <= 3 && value.find('\0') == std::string_view::npos) {
      inputs.tabsize_set = true;
      inputs.tabsize = std::string(value);
    }
  }
  const std::size_t at = data.find(separator);
  if (at == std::string_view::npos) {
    inputs.freq = data;
  } else {
    inputs.freq = data.substr(0, at);
    inputs.table = data.substr(at + separator.size());
  }
  return inputs;
}

std::string in_run(std::string_view name) { return run_directory + "/" + std::string(name); }

int entries_in_run_directory() {
  DIR* dir = ::opendir(run_directory.c_str());
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) ++count;
  }
  ::closedir(dir);
  return count;
}

[[noreturn]] void run_child(const Inputs& inputs) {
  ::signal(SIGALRM, SIG_DFL);
  ::alarm(20);  // a hang is a finding: the parent sees SIGALRM
  const int out =
      ::open(fuzz_support::scratch_file("stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err =
      ::open(fuzz_support::scratch_file("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(120);
  if (::chdir(run_directory.c_str()) != 0) ::_exit(121);
  if (inputs.tabsize_set) {
    ::setenv("TABSIZE", inputs.tabsize.c_str(), 1);
  } else {
    ::unsetenv("TABSIZE");
  }
  recordio::platform::set_exit_handler(child_exit);
  recordio::start_up();
  conversion::run_conversion();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  run_directory = fuzz_support::scratch_file("run");
  if (::mkdir(run_directory.c_str(), 0755) != 0)
    fail("cannot make the run directory", run_directory);
  fuzz_support::coverage_handoff_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Inputs inputs = split(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string equat = in_run("vemo.equat");
  fuzz_support::remove_file(equat);
  if (!fuzz_support::write_file(in_run("vemo.freq"), inputs.freq) ||
      !fuzz_support::write_file(in_run("ionization.data"), inputs.table)) {
    fail("cannot write the inputs");
  }
  fuzz_support::coverage_handoff_reset();

  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) fail("fork failed");
  if (pid == 0) run_child(inputs);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) fail("waitpid failed");
  }
  fuzz_support::coverage_handoff_merge();

  std::string out;
  std::string err;
  fuzz_support::read_file(fuzz_support::scratch_file("stdout.txt"), out);
  fuzz_support::read_file(fuzz_support::scratch_file("stderr.txt"), err);
  if (WIFSIGNALED(status)) {
    fail("the run died of signal " + std::to_string(WTERMSIG(status)), err);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fail("the run ended with status " + std::to_string(WEXITSTATUS(status)), err);
  }
  if (!out.empty()) fail("the run printed on standard output", out);
  if (!err.empty()) fail("the run printed on standard error", err);

  std::string bytes;
  if (!fuzz_support::read_file(in_run("vemo.freq"), bytes) || bytes != inputs.freq) {
    fail("vemo.freq changed");
  }
  if (!fuzz_support::read_file(in_run("ionization.data"), bytes) || bytes != inputs.table) {
    fail("ionization.data changed");
  }
  if (entries_in_run_directory() != 3) fail("the run left other files behind");
  if (!fuzz_support::read_file(equat, bytes)) fail("no vemo.equat");
  if (std::string problem = fuzz_support::check_equation_file(bytes); !problem.empty()) {
    fail(problem, bytes);
  }
  return 0;
}
