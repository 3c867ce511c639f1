// run_program.cpp - child processes for end-to-end and failure tests.
#include "tests/support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <grp.h>
#include <poll.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>


namespace testing_support {

namespace {

constexpr unsigned nobody = 65534;

// Everything the child does between fork and exec must be async-signal-safe
// or at least must not depend on the parent's locks: plain system calls only.
void set_up_child(const RunOptions& options, int in_fd, int out_fd, int err_fd) {
  if (in_fd < 0) in_fd = open("/dev/null", O_RDONLY);
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

// Output is collected through pipes, not files: a child under a file-size
// limit must still be able to write its report.
struct Capture {
  int out_pipe[2] = {-1, -1};
  int err_pipe[2] = {-1, -1};
  int in = -1;  // read end of the standard input's pipe, or -1 for /dev/null
  int out = -1;
  int err = -1;
  explicit Capture(const std::optional<std::string>& input) {
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) std::abort();
    out = out_pipe[1];
    err = err_pipe[1];
    if (input) {
      // Written whole before the child starts, so it must fit in the pipe.
      int in_pipe[2];
      if (input->size() > 65536 || pipe(in_pipe) != 0) std::abort();
      if (write(in_pipe[1], input->data(), input->size()) != static_cast<ssize_t>(input->size())) {
        std::abort();
      }
      close(in_pipe[1]);
      in = in_pipe[0];
    }
  }
  ~Capture() {
    for (int fd : {in, out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
      if (fd >= 0) close(fd);
    }
  }
  // In the parent, after fork: drains both pipes until the child closes them
  // (or, past `timeout_ms`, kills it first).
  RunResult finish(pid_t pid, std::optional<int> timeout_ms = std::nullopt) {
    close(out_pipe[1]);
    close(err_pipe[1]);
    out_pipe[1] = err_pipe[1] = -1;
    if (in >= 0) close(in);
    in = -1;
    RunResult result;
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.standard_output, &result.standard_error};
    int open_count = 2;
    char buffer[65536];
    timeval start{};
    gettimeofday(&start, nullptr);
    const auto elapsed_ms = [&start] {
      timeval now{};
      gettimeofday(&now, nullptr);
      return (now.tv_sec - start.tv_sec) * 1000L + (now.tv_usec - start.tv_usec) / 1000L;
    };
    while (open_count > 0) {
      int wait_ms = -1;
      if (timeout_ms && !result.timed_out) {
        const long elapsed = elapsed_ms();
        if (elapsed >= *timeout_ms) {
          kill(pid, SIGKILL);
          result.timed_out = true;
        } else {
          wait_ms = static_cast<int>(*timeout_ms - elapsed);
        }
      }
      const int ready = poll(fds, 2, wait_ms);
      if (ready < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (ready == 0) continue;
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
          sinks[i]->append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          fds[i].fd = -1;
          --open_count;
        }
      }
    }
    int wait_status = 0;
    rusage usage{};
    pid_t waited = -1;
    // A child that closed its pipes but lives on still meets the deadline.
    for (;;) {
      waited = wait4(pid, &wait_status, timeout_ms && !result.timed_out ? WNOHANG : 0, &usage);
      if (waited < 0 && errno == EINTR) continue;
      if (waited != 0) break;
      if (elapsed_ms() >= *timeout_ms) {
        kill(pid, SIGKILL);
        result.timed_out = true;
      } else {
        usleep(1000);
      }
    }
    if (waited < 0) wait_status = -1;
    else result.peak_rss_kib = usage.ru_maxrss;
    if (WIFEXITED(wait_status)) result.exit_status = WEXITSTATUS(wait_status);
    else if (WIFSIGNALED(wait_status)) result.exit_status = 128 + WTERMSIG(wait_status);
    return result;
  }
};

}  // namespace

RunResult run_program(const std::string& program, const RunOptions& options,
                      const std::vector<std::string>& arguments) {
  Capture capture(options.standard_input);
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    set_up_child(options, capture.in, capture.out, capture.err);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return capture.finish(pid, options.timeout_ms);
}

RunResult run_in_child(const std::function<void()>& body, const RunOptions& options) {
  Capture capture(options.standard_input);
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    set_up_child(options, capture.in, capture.out, capture.err);
    body();
    _exit(0);
  }
  return capture.finish(pid, options.timeout_ms);
}

bool can_run_unprivileged() { return geteuid() == 0; }

unsigned unprivileged_uid() { return nobody; }

}  // namespace testing_support
