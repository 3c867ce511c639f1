#!/usr/bin/env bash
# Builds freq2equat and runs it on the example data in examples/, in a
# scratch copy (the program refuses to overwrite an existing vemo.equat),
# then shows the equations it wrote.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/ensure-tools.sh"
cmake --preset release -S "$root" >/dev/null
cmake --build "$root/build/release" --target freq2equat >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/vemo.freq" "$root/examples/ionization.data" "$work/"
status=0
(cd "$work" && "$root/build/release/conversion/freq2equat") || status=$?
if [ -f "$work/vemo.equat" ]; then
  echo "--- vemo.equat (CR LF line ends shown as plain lines) ---"
  tr -d '\r' < "$work/vemo.equat"
fi
echo "--- exit status: $status"
exit "$status"
