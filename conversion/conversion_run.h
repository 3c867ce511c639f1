// conversion_run.h - the program's whole control flow.
#pragma once

namespace conversion {

// Connects "vemo.equat", "vemo.freq" and "ionization.data", converts every
// measurement and ends the process (exit status 0 after a closing record,
// -1 after a failure report). Never returns.
[[noreturn]] void run_conversion();

}  // namespace conversion
