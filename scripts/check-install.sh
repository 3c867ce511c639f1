#!/usr/bin/env bash
# Packaging check: installs into a scratch prefix, runs the commands of the
# installed examples' README as a user who has only the installed files
# would, and runs the installed program on the installed example data; the
# man page must render.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

# The installed examples' README, followed to the letter: its shell block,
# with the example prefix replaced by the scratch one, the prefix's bin on
# PATH and nothing from the source tree; the pager is not wanted here. The
# block is not run under -e: the checker's status 1 on the example is meant.
ex=$prefix/share/doc/freq2equat/examples
cmp "$ex/expected.equat" "$root/examples/expected.equat"
block=$(awk '/^```sh$/ { on = 1; next } /^```$/ { on = 0 } on' "$ex/README.md")
block=${block//\/usr\/local\/share\/doc\/freq2equat\/examples/$ex}
out=$(cd "$work" && PATH="$prefix/bin:/usr/bin:/bin" bash -c "less() { cat >/dev/null; }; $block" 2>&1) || true
printf '%s\n' "$out" | grep -qx 'same as expected.equat' || {
  printf '%s\n' "$out" >&2
  echo "the installed examples' README commands did not reproduce expected.equat" >&2
  exit 1
}
# Its first block starts from vemo.freq alone: the table made from the
# installed binding energies checks clean and converts to the end.
for line in 'ionization.data: 13 rows written for the ions of vemo.freq' \
            'vemo.freq: 4 blocks, 15 measurements, 15 equations would be written; ionization.data: 13 rows loaded; 0 errors, 0 warnings'; do
  printf '%s\n' "$out" | grep -qxF "$line" || {
    printf '%s\n' "$out" >&2
    echo "the installed examples' README: missing '$line'" >&2
    exit 1
  }
done
printf '%s\n' "$out" | grep -q '^0Normal End' || { printf '%s\n' "$out" >&2; echo "no Normal End from the made table" >&2; exit 1; }

test -x "$prefix/bin/freq2equat"
test -x "$prefix/bin/freq2equat-check"
test -x "$prefix/bin/freq2equat-adjust"
test -r "$prefix/share/freq2equat/electron-binding-energies-eV.csv"
for page in freq2equat freq2equat-check freq2equat-adjust; do
  man -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null | (! grep .) || { echo "$page: man page warnings" >&2; exit 1; }
  groff -man -ww -z "$prefix/share/man/man1/$page.1" 2>&1 | (! grep .) || { echo "$page: groff warnings" >&2; exit 1; }
done
cp "$prefix/share/doc/freq2equat/examples/vemo.freq" "$prefix/share/doc/freq2equat/examples/ionization.data" "$work/"
(cd "$work" && "$prefix/bin/freq2equat")
cmp "$work/vemo.equat" "$root/examples/expected.equat"
# The installed checker finds its installed mass table and only the
# example's one intended warning (exit status 1).
status=0
"$prefix/bin/freq2equat-check" "$prefix/share/doc/freq2equat/examples" >"$work/check.out" 2>&1 || status=$?
[ "$status" -eq 1 ] && grep -q "0 errors, 1 warning" "$work/check.out" &&
  grep -q "^mass excesses in micro-u beside mass-excess-2020.csv" "$work/check.out" ||
  { cat "$work/check.out" >&2; exit 1; }
# The installed adjustment finds the installed table and adjusts the
# example's equations: three anchors, 18 nuclides, nothing flagged.
"$prefix/bin/freq2equat-adjust" "$work/vemo.equat" --json "$work/adjusted.json" >"$work/adjust.out" 2>&1 ||
  { cat "$work/adjust.out" >&2; exit 1; }
grep -q "18 nuclides; table: mass-excess-2020.csv" "$work/adjust.out" && test -s "$work/adjusted.json" ||
  { cat "$work/adjust.out" >&2; exit 1; }
# The Python module, when the build made it: imported from the prefix by the
# system's python3, it converts the installed example to the expected bytes
# and finds the installed mass table beside itself.
module=$(find "$prefix" -name 'freq2equat*.so' -print -quit)
if [ -n "$module" ]; then
  (cd "$work" && PYTHONPATH=$(dirname "$module") /usr/bin/python3 -c '
import sys, freq2equat
ex = sys.argv[1]
c = freq2equat.convert(ex + "/vemo.freq", ex + "/ionization.data")
assert c.text.encode() == open(ex + "/expected.equat", "rb").read(), "module: not expected.equat"
assert freq2equat.mass_table().lookup("133Cs") is not None
assert freq2equat.__file__.startswith(sys.argv[2]), freq2equat.__file__
' "$prefix/share/doc/freq2equat/examples" "$prefix") || { echo "the installed Python module failed" >&2; exit 1; }
fi
echo "install check passed: $(grep -c 'micro-u' "$work/vemo.equat") equations from the installed example"
