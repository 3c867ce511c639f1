// process_start.h - the process-wide settings a run needs before its first
// statement.
#pragma once

namespace recordio {

// Sets the floating-point mode every printed digit relies on: IEEE double
// operations rounded to nearest, all exceptions masked. Also ignores the
// signals of failed writes (platform::ignore_write_signals).
void start_up();

}  // namespace recordio
