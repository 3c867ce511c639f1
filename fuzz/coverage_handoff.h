// coverage_handoff.h - coverage counters from a forked child back to libFuzzer.
//
// A target that runs its input in a forked child would otherwise leave
// libFuzzer blind: the child's counters die with it. The child copies its
// counters into shared memory before it ends and the parent folds them into
// its own, which libFuzzer reads after the input.
#pragma once

namespace fuzz_support {

// Maps the shared memory; without instrumentation counters does nothing.
void coverage_handoff_init();
// In the parent before fork: nothing handed back yet.
void coverage_handoff_reset();
// In the child as it ends.
void coverage_handoff_save();
// In the parent after the child has ended.
void coverage_handoff_merge();

}  // namespace fuzz_support
