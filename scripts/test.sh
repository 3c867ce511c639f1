#!/usr/bin/env bash
# Builds everything and runs every test (unit, end-to-end, conformance).
# Usage: scripts/test.sh [preset]   (release by default; also debug, sanitize, clang)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-release}
"$root/scripts/ensure-tools.sh" $([ "$preset" = clang ] && echo --all)
cd "$root"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
