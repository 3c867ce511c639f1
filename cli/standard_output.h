// standard_output.h - the last word on standard output before exit.
//
// A listing lost to a full disk, a closed pipe or a file-size limit is a
// failed run, not a quiet success: stdio keeps a write error in the stream
// and says nothing, so a program asks once, at its end, before it chooses
// its exit status.
#pragma once

#include <string>

namespace cli {

// Flushes and closes standard output. Returns an empty string when every
// byte written to it arrived, else the one-line reason, as GNU tools give
// it: "write error: No space left on device" (or "write error" when the
// system's reason was not kept). Call it once, as the last output step.
std::string close_standard_output();

// Flushes standard output before the run's files are named (cli/output_file.h):
// the reason in one line, as above, when something written to it did not
// arrive, else an empty string. A failure it reported is not reported again
// by close_standard_output().
std::string flush_standard_output();

}  // namespace cli
