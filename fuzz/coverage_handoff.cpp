// coverage_handoff.cpp - see coverage_handoff.h.
//
// Built without coverage instrumentation: an instrumented file that names
// the counters' section bounds itself gets its own, renamed, bounds from the
// instrumentation, and libFuzzer then finds no counters at all.
#include "fuzz/coverage_handoff.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

// The inline 8-bit counters of the instrumented code, bounded by the
// linker; weak, so that a build without them still links.
extern "C" {
__attribute__((weak)) extern std::uint8_t __start___sancov_cntrs[];
__attribute__((weak)) extern std::uint8_t __stop___sancov_cntrs[];
}

namespace fuzz_support {

namespace {
std::uint8_t* shared_counters = nullptr;
std::size_t counter_count = 0;
}  // namespace

void coverage_handoff_init() {
  std::uint8_t* const first = __start___sancov_cntrs;
  const std::uint8_t* const end = __stop___sancov_cntrs;
  if (first == nullptr || end <= first) return;
  counter_count = static_cast<std::size_t>(end - first);
  void* shared =
      ::mmap(nullptr, counter_count, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared != MAP_FAILED) shared_counters = static_cast<std::uint8_t*>(shared);
}

void coverage_handoff_reset() {
  if (shared_counters != nullptr) std::memset(shared_counters, 0, counter_count);
}

void coverage_handoff_save() {
  if (shared_counters != nullptr)
    std::memcpy(shared_counters, __start___sancov_cntrs, counter_count);
}

void coverage_handoff_merge() {
  if (shared_counters == nullptr) return;
  std::uint8_t* const counters = __start___sancov_cntrs;
  for (std::size_t i = 0; i < counter_count; ++i) {
    if (shared_counters[i] > counters[i]) counters[i] = shared_counters[i];
  }
}

}  // namespace fuzz_support
