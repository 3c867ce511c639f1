#!/usr/bin/env bash
# Installs the build tools and libraries the project needs when a machine
# lacks them (Debian packages; needs root). Does nothing when all are there.
#   ensure-tools.sh          what the programs need (the example command)
#   ensure-tools.sh --tests  that, and what the tests need
#   ensure-tools.sh --all    that, and clang, the fuzzers, the benchmarks
set -euo pipefail
level=${1:-}

missing=()
have_header() { [ -f "/usr/include/$1" ]; }
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
command -v g++ >/dev/null || missing+=(g++)
# cairo and pango are found through their pkg-config files, so the
# programs' build needs pkg-config as well as the tests' (FUSE).
command -v pkg-config >/dev/null || missing+=(pkg-config)
# The pictures are drawn with cairo, their text set by pango in DejaVu Sans;
# the adjustment solves with Eigen and SuiteSparse, writes JSON with nlohmann-json and reads
# its options with CLI11.
have_header cairo/cairo.h || missing+=(libcairo2-dev)
have_header pango-1.0/pango/pangocairo.h || missing+=(libpango1.0-dev)
# A table is named by its SHA-256, from GLib (beneath pango).
have_header glib-2.0/glib.h || missing+=(libglib2.0-dev)
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] || missing+=(fonts-dejavu-core)
have_header eigen3/Eigen/Dense || missing+=(libeigen3-dev)
# The adjustment of thousands of nuclides: SuiteSparseQR.
have_header suitesparse/SuiteSparseQR.hpp || missing+=(libsuitesparse-dev)
have_header nlohmann/json.hpp || missing+=(nlohmann-json3-dev)
have_header CLI/CLI.hpp || missing+=(libcli11-dev)
if [ "$level" = --tests ] || [ "$level" = --all ]; then
  # The Python module is built and tested here (the programs build without
  # it): pybind11 and the headers for Debian's python3, pytest and numpy
  # for its tests.
  have_header pybind11/pybind11.h || missing+=(pybind11-dev)
  ls /usr/include/python3*/Python.h >/dev/null 2>&1 || missing+=(python3-dev)
  /usr/bin/python3 -c 'import pytest' 2>/dev/null || missing+=(python3-pytest)
  /usr/bin/python3 -c 'import numpy' 2>/dev/null || missing+=(python3-numpy)
  have_header gtest/gtest.h || missing+=(libgtest-dev)
  # The tests of a failed close mount a FUSE file system of their own.
  { pkg-config --exists fuse3 2>/dev/null && command -v fusermount3 >/dev/null; } ||
    missing+=(libfuse3-dev fuse3)
  # The pictures are opened by real renderers in their tests.
  command -v rsvg-convert >/dev/null || missing+=(librsvg2-bin)
  command -v pdftoppm >/dev/null || missing+=(poppler-utils)
  # The checker's SARIF logs are validated against the format's schema.
  /usr/bin/python3 -c 'import jsonschema' 2>/dev/null || missing+=(python3-jsonschema)
fi
if [ "$level" = --all ]; then
  command -v clang++ >/dev/null || missing+=(clang)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
    missing+=(libclang-rt-14-dev)
  have_header benchmark/benchmark.h || missing+=(libbenchmark-dev)
  # The adjustment's benchmark runs a scipy peer of the same solve beside it.
  /usr/bin/python3 -c 'import scipy' 2>/dev/null || missing+=(python3-scipy)
  command -v man >/dev/null || missing+=(man-db)
fi

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing: ${missing[*]} (install them with apt-get as root)" >&2
    exit 1
  fi
  echo "installing: ${missing[*]}" >&2
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
