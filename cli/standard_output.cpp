// standard_output.cpp - flush, close and tell why not.
#include "cli/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

bool failure_reported = false;

}  // namespace

std::string flush_standard_output() {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int reason = flushed ? 0 : errno;
  if (flushed && std::ferror(stdout) == 0) return {};
  failure_reported = true;
  if (reason == 0) return "write error";
  return std::string("write error: ") + std::strerror(reason);
}

std::string close_standard_output() {
  // A write that failed earlier left its mark in the stream but not its
  // errno; the flush of what is still buffered may give the reason again.
  const bool failed_before = std::ferror(stdout) != 0;
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  int reason = flushed ? 0 : errno;
  // Closing can fail too (a file system that reports at close); after it
  // nothing may touch stdout again.
  errno = 0;
  if (std::fclose(stdout) != 0 && reason == 0) reason = errno;
  if (flushed && !failed_before && reason == 0) return {};
  if (failure_reported) return {};
  if (reason == 0) return "write error";
  return std::string("write error: ") + std::strerror(reason);
}

}  // namespace cli
