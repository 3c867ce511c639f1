#!/usr/bin/env bash
# Builds everything and runs every test (unit, end-to-end, conformance).
# Usage: scripts/test.sh [preset]   (release by default; also debug, sanitize, clang,
# and fuzz: a bounded run of every fuzz target)
#
# Output is kept to 80 columns: one short line per build step and per test,
# and in full whatever a failing compile or test printed. For the full
# compiler command lines: cmake --build --preset <preset> --verbose.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-release}
"$root/scripts/ensure-tools.sh" $(case "$preset" in clang|fuzz) echo --all;; *) echo --tests;; esac)
cd "$root"

# mawk reads its input in blocks, which would hold back every line until
# the build or the test run ends; -W interactive makes it read line by line.
line_awk=(awk)
if [ -z "$(awk -W interactive 'BEGIN {}' </dev/null 2>&1)" ]; then line_awk+=(-W interactive); fi

# Ninja's status lines name object files under CMakeFiles/ (often 100
# characters and more); show the source or target instead. A failing step
# prints "FAILED: ..." then its command line, which is cut, then the
# compiler's messages, which are kept whole.
short_build() {
  "${line_awk[@]}" '
    function cut(s) { return length(s) > 80 ? substr(s, 1, 76) " ..." : s }
    after_failed { print cut($0); after_failed = 0; next }
    /^FAILED: / { print cut($0); after_failed = 1; next }
    /^\[[0-9]+\/[0-9]+\] / {
      step = $1; what = $0; sub(/^\[[0-9]+\/[0-9]+\] /, "", what)
      if (what ~ /^Building CXX object /) {
        sub(/^Building CXX object /, "", what); sub(/CMakeFiles\/[^\/]*\.dir\//, "", what)
        sub(/\.o$/, "", what); what = "c++  " what
      } else if (what ~ /^Linking CXX /) {
        sub(/^Linking CXX [a-z ]*(library|executable) /, "", what); what = "link " what
      }
      print cut(step " " what); fflush(); next
    }
    { print; fflush() }'
}

# CTest pads every result line to its longest test name (170 characters for
# the parameterised cases). Keep the count, the result and the time, and cut
# the name to fit; the output of a failing test follows its line unchanged.
short_ctest() {
  "${line_awk[@]}" '
    /^ +Start +[0-9]+: / { next }
    match($0, /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: /) {
      count = $1; rest = substr($0, RLENGTH + 1); secs = ""
      if (match(rest, / +[0-9.]+ sec$/)) {
        secs = substr(rest, RSTART, RLENGTH); sub(/ sec$/, "s", secs); gsub(/ /, "", secs)
        rest = substr(rest, 1, RSTART - 1)
      }
      # What is left: the name, padding dots, the result; a result that is
      # not a pass starts with three asterisks, as ctest marks it.
      if ((i = index(rest, "***")) > 0) {
        result = substr(rest, i); name = substr(rest, 1, i - 1)
      } else {
        result = rest; name = rest
        if (match(rest, /   +[A-Za-z][A-Za-z ()]*$/)) {
          result = substr(rest, RSTART); sub(/^ +/, "", result); name = substr(rest, 1, RSTART - 1)
        }
      }
      sub(/[ .]+$/, "", name); sub(/ +# GetParam\(\).*$/, "", name)
      head = sprintf("%9s %-9s %7s  ", count, result, secs)
      room = 80 - length(head)
      # Cut in the middle: parameterised cases differ at the end.
      if (length(name) > room) {
        keep = room - 3 - 16
        name = substr(name, 1, 16) "..." substr(name, length(name) - keep + 1)
      }
      print head name; fflush(); next
    }
    /^\t *[0-9]+ - / { sub(/ +# GetParam\(\)[^(]*/, " ") }
    { print; fflush() }'
}

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" | short_build
ctest --preset "$preset" | short_ctest
