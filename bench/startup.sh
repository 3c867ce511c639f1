#!/usr/bin/env bash
# Times freq2equat on the bundled example, where a run is mostly start-up,
# beside /bin/true measured in the same run, and prints the ratio: the
# machine is shared and noisy, so only the ratio means anything. Runs
# alternate between the two, and the lowest mean of each counts.
# usage: bench/startup.sh              (needs perf)
#   F2E_BENCH_RUNS=n       rounds of each (default 3)
#   F2E_STARTUP_REPEAT=n   runs per round (default 300)
#   F2E_BENCH_PROGRAM=path time another build of the program instead
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${F2E_BENCH_RUNS:-3}
repeat=${F2E_STARTUP_REPEAT:-300}
command -v perf >/dev/null || { echo "bench/startup.sh needs perf (linux-perf)" >&2; exit 1; }
source "$root/bench/program.sh"
cp "$root/examples/vemo.freq" "$root/examples/ionization.data" "$work"
cd "$work"

# The mean time of one run in microseconds, over $repeat runs.
mean_us() {
  perf stat -r "$repeat" --pre 'rm -f vemo.equat' "$@" 2>&1 >/dev/null |
    awk '/seconds time elapsed/ { printf "%.1f\n", $1 * 1e6 }'
}

best_program=
best_true=
for ((i = 0; i < rounds; ++i)); do
  t=$(mean_us "$program")
  [[ -z $best_program ]] || awk -v a="$t" -v b="$best_program" 'BEGIN { exit !(a < b) }' && best_program=$t
  t=$(mean_us /bin/true)
  [[ -z $best_true ]] || awk -v a="$t" -v b="$best_true" 'BEGIN { exit !(a < b) }' && best_true=$t
done
cmp -s vemo.equat "$root/examples/expected.equat" 2>/dev/null || {
  rm -f vemo.equat
  "$program"
  cmp -s vemo.equat "$root/examples/expected.equat" || { echo "the example's output differs" >&2; exit 1; }
}

awk -v p="$best_program" -v t="$best_true" -v n="$repeat" -v r="$rounds" \
    -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
  printf "freq2equat:    %.0f us per run on the bundled example\n", p
  printf "/bin/true:     %.0f us per run\n", t
  printf "ratio:         %.2f x /bin/true\n", p / t
  printf "best mean of %d rounds of %d runs each; load average %s\n", r, n, load
}'
