#!/usr/bin/env bash
# Packaging check: installs into a scratch prefix, checks that the man page
# renders, and runs the commands of the installed examples' README as a user
# who has only the installed files would (the prefix's bin on PATH, nothing
# from the source tree).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/freq2equat"
for page in "$prefix"/share/man/man1/*.1; do
  { man -l "$page" 2>&1 >/dev/null; groff -t -man -ww -z "$page" 2>&1; } | (! grep .) ||
    { echo "man page warnings: $page" >&2; exit 1; }
done
ex=$prefix/share/doc/freq2equat/examples
test -f "$ex/expected.equat"
cmp "$ex/expected.equat" "$root/examples/expected.equat"

# The README's shell block, with its example prefix replaced by the scratch
# one; the pager is not wanted here. The block is not run under -e: the
# checker's status 1 on the example is expected.
block=$(awk '/^```sh$/ { on = 1; next } /^```$/ { on = 0 } on' "$ex/README.md")
block=${block//\/usr\/local\/share\/doc\/freq2equat\/examples/$ex}
out=$(cd "$work" && PATH="$prefix/bin:/usr/bin:/bin" bash -c "less() { cat >/dev/null; }; $block" 2>&1) || true
printf '%s\n' "$out" | grep -qx 'same as expected.equat' || {
  printf '%s\n' "$out" >&2
  echo "the installed examples' README commands did not reproduce expected.equat" >&2
  exit 1
}
echo "install check passed: $(grep -c 'micro-u' "$work/run/vemo.equat") equations from the installed example"
