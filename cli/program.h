// program.h - the shell every program of the project runs its body in.
//
//   int main(int argc, char** argv) {
//     return cli::run_program("freq2equat-check", [&] { return check_files(argc, argv); });
//   }
//
// A program that cannot do its work says so in one line on standard error,
// "PROGRAM: message", as GNU tools do, and ends with status 2; memory that
// runs out is such a line too ("out of memory"), not a crash; and whatever
// went to standard output must have arrived, or the run failed.
#pragma once

#include <functional>
#include <string>

namespace cli {

// The status of a program that could not do its work (a usage error, an
// input it cannot read, an output it cannot write).
inline constexpr int could_not_run = 2;

// Starts the process as the record layer wants it, runs `body` and returns
// its status; `std::bad_alloc` out of it is "out of memory". Standard
// output is then closed, and a listing that did not reach its file is a
// failure line and status 2 whatever `body` returned.
int run_program(const char* name, const std::function<int()>& body);

// Prints "PROGRAM: message" on standard error and returns could_not_run.
int fail(const std::string& message);

// Prints "PROGRAM: message" on standard error: something the user should
// know that does not stop the run.
void say(const std::string& message);

}  // namespace cli
