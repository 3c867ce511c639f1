# bench/program.sh - sourced by the timing scripts: sets `program` to the
# build to time (F2E_BENCH_PROGRAM, or the release build, brought up to
# date) and `work` to a scratch directory removed when the script exits.
program=${F2E_BENCH_PROGRAM:-}
if [[ -z $program ]]; then
  cmake --preset release -S "$root" >/dev/null
  cmake --build "$root/build/release" --target freq2equat >/dev/null
  program=$root/build/release/conversion/freq2equat
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
