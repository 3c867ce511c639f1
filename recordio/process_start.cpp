// process_start.cpp - floating-point mode and signal dispositions of a run.
//
// Both are process-wide state the operating system and the processor hold,
// set once before the first statement: the units know nothing of them.
#include "recordio/process_start.h"

#include <cfenv>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

#include "recordio/platform.h"

namespace recordio {

static_assert(std::numeric_limits<double>::is_iec559, "the printed digits need IEEE doubles");

void start_up() {
  // Division by zero and overflow must give infinities and NaNs, never a
  // trap, and every result must be rounded to nearest in double precision.
  std::fesetround(FE_TONEAREST);
#if defined(__x86_64__) || defined(__i386__)
  // All six exceptions masked, round to nearest, no flush-to-zero and no
  // denormals-are-zero: subnormal results must stay what IEEE says.
  _mm_setcsr(0x1F80);
#endif
  // A full disk or a closed standard error must end in the failure report
  // and exit status 255, not in a signal.
  platform::ignore_write_signals();
}

}  // namespace recordio
