#!/usr/bin/env bash
# Builds everything and runs every test (unit, end-to-end, conformance).
# Usage: scripts/test.sh [preset]   (release by default; also debug, sanitize, clang,
# and fuzz: a bounded run of every fuzz target)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-release}
"$root/scripts/ensure-tools.sh" $(case "$preset" in clang|fuzz) echo --all;; esac)
cd "$root"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
