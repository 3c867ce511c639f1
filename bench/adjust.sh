#!/usr/bin/env bash
# Times freq2equat-adjust on a network shaped like an evaluation's (every
# nuclide of the shipped mass table, 12,000 equations between neighbours
# in mass number, 300 anchors; bench/generate_network.py) beside a scipy
# peer solving the same weighted system in the same run
# (bench/adjust_peer.py says what it computes): the machine is shared and
# noisy, so the ratio of the two is what counts. No correlations or
# covariance file is asked for. Runs alternate; the best of each counts.
# usage: bench/adjust.sh [EQUATIONS [ANCHORS]]   (default 12000 300)
#   F2E_BENCH_RUNS=n       timed runs of each (default 3)
#   F2E_BENCH_PROGRAM=path time another build of freq2equat-adjust instead
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
equations=${1:-12000}
anchor_count=${2:-300}
runs=${F2E_BENCH_RUNS:-3}
python=/usr/bin/python3 # numpy and scipy are Debian's
program=${F2E_BENCH_PROGRAM:-}
if [[ -z $program ]]; then
  cmake --preset release -S "$root" >/dev/null
  cmake --build "$root/build/release" --target freq2equat-adjust >/dev/null
  program=$root/build/release/adjust/freq2equat-adjust
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
table=$root/data/mass-excess-2020.csv
"$python" "$root/bench/generate_network.py" "$table" "$work" "$equations" "$anchor_count"
cd "$work"
anchors=()
while read -r nuclide; do anchors+=(--anchor "$nuclide"); done <anchors.txt

better() { [[ -z $2 ]] || awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
best_program=
best_peer=
program_kib=0
peer_mib=
for ((i = 0; i < runs; ++i)); do
  status=0
  /usr/bin/time -f '%e %M' -o time.txt "$program" network.equat "${anchors[@]}" --masses "$table" \
    --json adjusted.json >report.txt || status=$?
  # 1: adjusted, with warnings to look at (references that moved); 2: failed.
  ((status <= 1)) || { cat report.txt; exit 1; }
  # time says "Command exited with non-zero status 1" first when it did.
  read -r seconds kib < <(tail -n 1 time.txt)
  better "$seconds" "$best_program" && best_program=$seconds
  ((kib > program_kib)) && program_kib=$kib
  "$python" "$root/bench/adjust_peer.py" network.equat anchors.txt "$table" adjusted.json \
    >peer.txt 2>apart.txt || { cat apart.txt; exit 1; }
  read -r seconds mib h unknowns <peer.txt
  better "$seconds" "$best_peer" && best_peer=$seconds
  peer_mib=$mib
done
nuclides=$(grep -m1 -o '[0-9]* nuclides' report.txt)

awk -v s="$best_program" -v p="$best_peer" -v k="$program_kib" -v pm="$peer_mib" \
    -v n="$equations" -v a="$anchor_count" -v nuc="$nuclides" -v u="$unknowns" \
    -v apart="$(cut -d' ' -f2 apart.txt)" -v runs="$runs" \
    -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
  if (s <= 0) s = 0.005
  printf "network:           %d equations, %d anchors, %s\n", n, a, nuc
  printf "freq2equat-adjust: %.2f s, peak memory %.1f MiB (the whole run: read, solve, report, JSON)\n", s, k / 1024
  printf "scipy peer:        %.2f s, peak memory %.1f MiB (read, normal equations by SuperLU, C, h, influences)\n", p, pm
  printf "ratio:             %.2f x the peer\n", s / p
  printf "agreement:         adjusted values %s of an uncertainty apart at most, %d unknowns\n", apart, u
  printf "best of %d runs each; load average %s\n", runs, load
}'
