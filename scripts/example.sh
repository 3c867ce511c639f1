#!/usr/bin/env bash
# Builds freq2equat and runs it on the example data in examples/, in a
# scratch copy (the program refuses to overwrite an existing vemo.equat),
# then shows the equations it wrote. With the checker in the tree, the
# example is checked first, as a user would check their own files; with
# the adjustment in the tree, the equations are adjusted afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/release
"$root/scripts/ensure-tools.sh"

targets=(freq2equat)
have_checker=no
if [ -f "$root/check/CMakeLists.txt" ]; then
  targets+=(freq2equat-check)
  have_checker=yes
fi
have_adjust=no
if [ -f "$root/adjust/CMakeLists.txt" ]; then
  targets+=(freq2equat-adjust)
  have_adjust=yes
fi

# The first build compiles everything and takes a minute or two; say so
# before the wait, and show the build's own output only if it fails.
echo "building ${targets[*]} in build/release ..."
log=$(mktemp)
work=$(mktemp -d)
trap 'rm -rf "$work" "$log"' EXIT
if ! { cmake --preset release -S "$root" && cmake --build "$build" --target "${targets[@]}"; } \
    >"$log" 2>&1; then
  cat "$log" >&2
  echo "build failed" >&2
  exit 1
fi
echo "built: build/release/conversion/freq2equat"
[ "$have_checker" = no ] || echo "built: build/release/check/freq2equat-check"
[ "$have_adjust" = no ] || echo "built: build/release/adjust/freq2equat-adjust"

cp "$root/examples/vemo.freq" "$root/examples/ionization.data" "$work/"
if [ "$have_checker" = yes ]; then
  echo "--- freq2equat-check (finds input slips before the conversion)"
  # Warnings are expected here (the example leaves barium out of the table
  # on purpose), so the checker's status does not end the script.
  (cd "$work" && "$build/check/freq2equat-check") || true
fi

echo "--- freq2equat"
status=0
(cd "$work" && "$build/conversion/freq2equat") || status=$?
if [ -f "$work/vemo.equat" ]; then
  echo "--- vemo.equat (CR LF line ends shown as plain lines)"
  tr -d '\r' < "$work/vemo.equat"
  if [ "$have_adjust" = yes ]; then
    echo "--- freq2equat-adjust vemo.equat (every equation together, against the 2020 table)"
    (cd "$work" && "$build/adjust/freq2equat-adjust" vemo.equat) || true
  fi
fi
echo "--- exit status: $status"
exit "$status"
