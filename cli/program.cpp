// program.cpp - the failure line, memory, and the last word on standard
// output.
#include "cli/program.h"

#include <cstdio>
#include <new>

#include "cli/standard_output.h"
#include "recordio/process_start.h"

namespace cli {

namespace {

const char* program_name = "freq2equat";

}  // namespace

void say(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program_name, message.c_str());
}

int fail(const std::string& message) {
  say(message);
  return could_not_run;
}

int run_program(const char* name, const std::function<int()>& body) {
  program_name = name;
  recordio::start_up();
  // A line of hundreds of megabytes is held by the record layer, but the
  // copies made to show it may not fit: that is a file a program cannot
  // take, not a crash.
  int status = could_not_run;
  try {
    status = body();
  } catch (const std::bad_alloc&) {
    status = fail("out of memory");
  }
  // A report or listing that did not reach its file is work nobody sees.
  const std::string lost = close_standard_output();
  if (!lost.empty()) return fail(lost);
  return status;
}

}  // namespace cli
