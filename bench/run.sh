#!/usr/bin/env bash
# Times freq2equat on a large generated input and reports measurements per
# second and peak memory beside the time dd takes to write the same output
# bytes in 8192-byte blocks, the program's own block size: the machine is
# shared and noisy, so the speed that counts is the ratio of the two, taken
# in the same run. Program and dd run alternately; the best of each counts.
# usage: bench/run.sh [MEASUREMENTS]   (default 1000000)
#   F2E_BENCH_RUNS=n       timed runs of each (default 3)
#   F2E_BENCH_PROGRAM=path time another build of the program instead
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-1000000}
runs=${F2E_BENCH_RUNS:-3}
source "$root/bench/program.sh"
python3 "$root/bench/generate.py" "$work" "$count"
cd "$work"

best_program=
best_dd=
peak_kib=0
for ((i = 0; i < runs; ++i)); do
  rm -f vemo.equat
  /usr/bin/time -f '%e %M' -o time.txt "$program"
  read -r seconds kib < time.txt
  if [[ -z $best_program ]] || awk -v a="$seconds" -v b="$best_program" 'BEGIN { exit !(a < b) }'; then
    best_program=$seconds
  fi
  ((kib > peak_kib)) && peak_kib=$kib
  rm -f copy.equat
  /usr/bin/time -f '%e' -o time.txt dd if=vemo.equat of=copy.equat bs=8192 status=none
  read -r seconds < time.txt
  if [[ -z $best_dd ]] || awk -v a="$seconds" -v b="$best_dd" 'BEGIN { exit !(a < b) }'; then
    best_dd=$seconds
  fi
done
cmp -s vemo.equat copy.equat || { echo "dd copy differs" >&2; exit 1; }

awk -v n="$count" -v s="$best_program" -v dd="$best_dd" -v b="$(stat -c %s vemo.equat)" \
    -v k="$peak_kib" -v inb="$(stat -c %s vemo.freq)" -v runs="$runs" \
    -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
  # /usr/bin/time has 10 ms steps
  if (s <= 0) s = 0.005
  if (dd <= 0) dd = 0.005
  printf "input:         %d measurements, %.1f MB\n", n, inb / 1e6
  printf "output:        %.1f MB\n", b / 1e6
  printf "freq2equat:    %.2f s  (%.0f measurements/s, %.1f MB/s written)\n", s, n / s, b / 1e6 / s
  printf "dd bs=8192:    %.2f s  (the same output bytes)\n", dd
  printf "ratio:         %.2f x dd\n", s / dd
  printf "peak memory:   %.1f MiB\n", k / 1024
  printf "best of %d runs each; load average %s\n", runs, load
}'
