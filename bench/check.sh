#!/usr/bin/env bash
# Times freq2equat-check as README runs it (the mass table and the table of
# excitation energies compared, the listing on standard output) beside
# freq2equat converting the same file: a million realistic measurement lines
# by default (bench/generate_realistic.py: real nuclides, blocks of 1 to 40,
# charges up to 50+, trailing comments, about 850 bytes a line), with the
# binding-energy table made by --make-table first (not timed). The machine
# is shared and noisy, so the ratio of the two, taken in the same run,
# counts. Runs alternate; the best time of each counts, and the checker's
# largest peak memory.
# Fails when the checker takes more than 10 times the converter's time or
# more than 100 MB (10^6 bytes), or finds anything in the file.
# usage: bench/check.sh [MEASUREMENTS]   (default 1000000)
#   F2E_BENCH_RUNS=n      timed runs of each (default 3)
#   F2E_BENCH_BUILD=dir   a build tree holding both programs (default: build/release, built here)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-1000000}
runs=${F2E_BENCH_RUNS:-3}
python=/usr/bin/python3
build=${F2E_BENCH_BUILD:-}
if [[ -z $build ]]; then
  cmake --preset release -S "$root" >/dev/null
  cmake --build "$root/build/release" --target freq2equat freq2equat-check >/dev/null
  build=$root/build/release
fi
converter=$build/conversion/freq2equat
checker=$build/check/freq2equat-check
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$python" "$root/bench/generate_realistic.py" "$root/data/mass-excess-2020.csv" \
  "$root/data/electron-binding-energies-eV.csv" "$work/vemo.freq" "$count"
cd "$work"
"$checker" --make-table ionization.data >/dev/null

better() { [[ -z $2 ]] || awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
best_checker=
best_converter=
checker_kib=0
for ((i = 0; i < runs; ++i)); do
  status=0
  /usr/bin/time -f '%e %M' -o time.txt "$checker" >listing.txt 2>findings.txt || status=$?
  # 1: findings; 2: could not check.
  ((status <= 1)) || { cat findings.txt; exit 1; }
  read -r seconds kib < <(tail -n 1 time.txt)
  better "$seconds" "$best_checker" && best_checker=$seconds
  ((kib > checker_kib)) && checker_kib=$kib
  rm -f vemo.equat
  /usr/bin/time -f '%e' -o time.txt "$converter"
  read -r seconds <time.txt
  better "$seconds" "$best_converter" && best_converter=$seconds
done
tail -n 1 vemo.equat | grep -q '^0Normal End' || { echo "the converter did not end normally" >&2; exit 1; }
summary=$(tail -n 1 listing.txt)

awk -v c="$best_checker" -v v="$best_converter" -v k="$checker_kib" -v n="$count" \
    -v bytes="$(stat -c %s vemo.freq)" -v summary="$summary" -v runs="$runs" \
    -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
  # /usr/bin/time has 10 ms steps
  if (c <= 0) c = 0.005
  if (v <= 0) v = 0.005
  mb = k * 1024 / 1e6
  printf "input:            %d measurements, %.0f MB (%.0f bytes a line)\n", n, bytes / 1e6, bytes / n
  printf "checked:          %s\n", summary
  printf "freq2equat:       %.2f s\n", v
  printf "freq2equat-check: %.2f s, peak memory %.1f MB\n", c, mb
  printf "ratio:            %.1f x the converter (goal: at most 10 x and 100 MB)\n", c / v
  printf "best of %d runs each; load average %s\n", runs, load
  failed = 0
  if (c / v > 10) { print "the checker takes more than 10 times the converter'"'"'s time" > "/dev/stderr"; failed = 1 }
  if (mb > 100) { print "the checker takes more than 100 MB" > "/dev/stderr"; failed = 1 }
  if (summary !~ / 0 errors, 0 warnings$/) { print "the generated file is not clean" > "/dev/stderr"; failed = 1 }
  exit failed
}'
