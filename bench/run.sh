#!/usr/bin/env bash
# Times freq2equat on a large generated input and reports measurements per
# second, output megabytes per second and peak memory, beside the time cat
# takes to copy the same number of output bytes.
# usage: bench/run.sh [MEASUREMENTS]   (default 1000000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-1000000}
cmake --preset release -S "$root" >/dev/null
cmake --build "$root/build/release" --target freq2equat >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/generate.py" "$work" "$count"
cd "$work"

/usr/bin/time -f '%e %M' -o time.txt "$root/build/release/conversion/freq2equat"
read -r seconds peak_kib < time.txt
bytes=$(stat -c %s vemo.equat)
start=$(date +%s.%N)
cat vemo.equat > copy.equat
end=$(date +%s.%N)

awk -v n="$count" -v s="$seconds" -v b="$bytes" -v k="$peak_kib" -v c0="$start" -v c1="$end" \
    -v inb="$(stat -c %s vemo.freq)" 'BEGIN {
  if (s <= 0) s = 0.001
  printf "input:        %d measurements, %.1f MB\n", n, inb / 1e6
  printf "output:       %.1f MB\n", b / 1e6
  printf "time:         %.2f s  (%.0f measurements/s, %.1f MB/s written)\n", s, n / s, b / 1e6 / s
  printf "peak memory:  %.1f MiB\n", k / 1024
  printf "cat of output: %.3f s\n", c1 - c0
}'
