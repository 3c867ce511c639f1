// fast_path_counts.cpp - the counters, in the build that counts.
#include "recordio/fast_path_counts.h"

namespace recordio {

#if defined(FREQ2EQUAT_COUNT_FAST_PATHS)
FastPathCounts& fast_path_counts() {
  static FastPathCounts counts{};
  return counts;
}
#endif

}  // namespace recordio
