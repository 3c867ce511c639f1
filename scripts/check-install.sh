#!/usr/bin/env bash
# Packaging check: installs into a scratch prefix and runs the installed
# program on the installed example data; the man page must render.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/freq2equat"
man -l "$prefix/share/man/man1/freq2equat.1" 2>&1 >/dev/null | (! grep .) || { echo "man page warnings" >&2; exit 1; }
cp "$prefix/share/doc/freq2equat/examples/vemo.freq" "$prefix/share/doc/freq2equat/examples/ionization.data" "$work/"
(cd "$work" && "$prefix/bin/freq2equat")
cmp "$work/vemo.equat" "$root/examples/expected.equat"
echo "install check passed: $(grep -c 'micro-u' "$work/vemo.equat") equations from the installed example"
