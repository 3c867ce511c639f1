// run_program.cpp - child processes for end-to-end and failure tests.
#include "tests/support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/scratch_dir.h"

namespace testing_support {

namespace {

constexpr unsigned nobody = 65534;

// Everything the child does between fork and exec must be async-signal-safe
// or at least must not depend on the parent's locks: plain system calls only.
void set_up_child(const RunOptions& options, int out_fd, int err_fd) {
  int in_fd = open("/dev/null", O_RDONLY);
  if (in_fd >= 0) dup2(in_fd, 0);
  dup2(out_fd, 1);
  dup2(err_fd, 2);
  if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) _exit(121);
  unsetenv("TABSIZE");
  for (const auto& [name, value] : options.environment) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
  }
  if (options.file_size_limit) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{*options.file_size_limit, *options.file_size_limit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(122);
  }
  if (options.unprivileged) {
    gid_t none[1] = {nobody};
    if (setgroups(1, none) != 0) _exit(123);
    if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(123);
  }
}

struct Capture {
  ScratchDir dir;
  int out = -1;
  int err = -1;
  Capture() {
    out = open(dir.file("out").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    err = open(dir.file("err").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  }
  ~Capture() {
    close(out);
    close(err);
  }
  RunResult finish(int wait_status) const {
    RunResult result;
    if (WIFEXITED(wait_status)) result.exit_status = WEXITSTATUS(wait_status);
    else if (WIFSIGNALED(wait_status)) result.exit_status = 128 + WTERMSIG(wait_status);
    result.standard_output = dir.read("out").value_or("");
    result.standard_error = dir.read("err").value_or("");
    return result;
  }
};

int wait_for(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

}  // namespace

RunResult run_program(const std::string& program, const RunOptions& options,
                      const std::vector<std::string>& arguments) {
  Capture capture;
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    set_up_child(options, capture.out, capture.err);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return capture.finish(wait_for(pid));
}

RunResult run_in_child(const std::function<void()>& body, const RunOptions& options) {
  Capture capture;
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    set_up_child(options, capture.out, capture.err);
    body();
    _exit(0);
  }
  return capture.finish(wait_for(pid));
}

bool can_run_unprivileged() { return geteuid() == 0; }

unsigned unprivileged_uid() { return nobody; }

}  // namespace testing_support
