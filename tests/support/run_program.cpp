// run_program.cpp - child processes for end-to-end and failure tests.
#include "tests/support/run_program.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__x86_64__) && defined(__linux__)
#include <sys/ptrace.h>
#include <sys/user.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

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
  if (options.standard_error_closed) {
    int closed[2];
    if (pipe(closed) != 0) _exit(124);
    close(closed[0]);
    dup2(closed[1], 2);
  }
  signal(SIGXFSZ, SIG_DFL);
  signal(SIGPIPE, SIG_DFL);
  if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0)
    _exit(121);
  unsetenv("TABSIZE");
  for (const auto& [name, value] : options.environment) {
    if (value)
      setenv(name.c_str(), value->c_str(), 1);
    else
      unsetenv(name.c_str());
  }
  if (options.file_size_limit) {
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
    if (waited < 0)
      wait_status = -1;
    else
      result.peak_rss_kib = usage.ru_maxrss;
    set_exit_status(result, wait_status);
    return result;
  }
  // In the parent, after the child has ended and been waited for.
  RunResult collect(int wait_status) {
    close(out_pipe[1]);
    close(err_pipe[1]);
    out_pipe[1] = err_pipe[1] = -1;
    RunResult result;
    char buffer[65536];
    for (auto [fd, sink] : {std::pair{out_pipe[0], &result.standard_output},
                            std::pair{err_pipe[0], &result.standard_error}}) {
      ssize_t n = 0;
      while ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) sink->append(buffer, static_cast<std::size_t>(n));
      }
    }
    set_exit_status(result, wait_status);
    return result;
  }
  static void set_exit_status(RunResult& result, int wait_status) {
    if (WIFEXITED(wait_status))
      result.exit_status = WEXITSTATUS(wait_status);
    else if (WIFSIGNALED(wait_status))
      result.exit_status = 128 + WTERMSIG(wait_status);
  }
};

std::vector<char*> argument_vector(std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

RunResult run_program(const std::string& program, const RunOptions& options,
                      const std::vector<std::string>& arguments) {
  Capture capture(options.standard_input);
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv = argument_vector(words);
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

#if defined(__x86_64__) && defined(__linux__)

std::string SystemCall::read_string(unsigned long long address) const {
  std::string text;
  while (text.size() < 4096) {
    errno = 0;
    const long word = ptrace(PTRACE_PEEKDATA, pid, address + text.size(), nullptr);
    if (errno != 0) break;
    char bytes[sizeof word];
    std::memcpy(bytes, &word, sizeof word);
    for (char c : bytes) {
      if (c == '\0') return text;
      text += c;
    }
  }
  return text;
}

RunResult run_program_traced(const std::string& program, const RunOptions& options,
                             const std::function<void(SystemCall&)>& hook,
                             const std::vector<std::string>& program_arguments) {
  Capture capture(options.standard_input);
  std::vector<std::string> words{program};
  words.insert(words.end(), program_arguments.begin(), program_arguments.end());
  std::vector<char*> argv = argument_vector(words);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    set_up_child(options, capture.in, capture.out, capture.err);
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(125);
    raise(SIGSTOP);  // lets the parent set its options before exec
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFSTOPPED(status)) return capture.collect(status);
  ptrace(PTRACE_SETOPTIONS, pid, nullptr,
         PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL);
  bool inside_call = false;
  int signal_to_deliver = 0;
  for (;;) {
    ptrace(PTRACE_SYSCALL, pid, nullptr, signal_to_deliver);
    signal_to_deliver = 0;
    if (waitpid(pid, &status, 0) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (WIFEXITED(status) || WIFSIGNALED(status)) break;
    const int stop = WSTOPSIG(status);
    if (stop == (SIGTRAP | 0x80)) {
      user_regs_struct regs{};
      ptrace(PTRACE_GETREGS, pid, nullptr, &regs);
      SystemCall call;
      call.pid = pid;
      call.entry = !inside_call;
      inside_call = !inside_call;
      call.number = static_cast<long>(regs.orig_rax);
      const unsigned long long arguments[6] = {regs.rdi, regs.rsi, regs.rdx,
                                               regs.r10, regs.r8,  regs.r9};
      std::memcpy(call.arguments, arguments, sizeof arguments);
      call.result = static_cast<long long>(regs.rax);
      hook(call);
    } else if (stop != SIGTRAP || (status >> 16) == 0) {
      signal_to_deliver = stop;  // a signal of the child's own, not a trace event
    }
  }
  return capture.collect(status);
}

bool can_trace_system_calls() {
  static const bool can = [] {
    const pid_t pid = fork();
    if (pid == 0) {
      if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(1);
      raise(SIGSTOP);
      _exit(0);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    const bool stopped = WIFSTOPPED(status);
    if (stopped) ptrace(PTRACE_DETACH, pid, nullptr, 0);
    waitpid(pid, &status, 0);
    return stopped && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }();
  return can;
}

#else

std::string SystemCall::read_string(unsigned long long) const { return {}; }

RunResult run_program_traced(const std::string& program, const RunOptions& options,
                             const std::function<void(SystemCall&)>&,
                             const std::vector<std::string>& arguments) {
  return run_program(program, options, arguments);
}

bool can_trace_system_calls() { return false; }

#endif

bool can_run_unprivileged() { return geteuid() == 0; }

unsigned unprivileged_uid() { return nobody; }

}  // namespace testing_support
