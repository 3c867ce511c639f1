#!/usr/bin/env bash
# Installs the build tools and libraries the project needs when a machine
# lacks them (Debian packages; needs root). Does nothing when all are there.
set -euo pipefail

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
command -v g++ >/dev/null || missing+=(g++)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
# The tests of a failed close mount a FUSE file system of their own.
{ command -v pkg-config >/dev/null && pkg-config --exists fuse3; } || missing+=(pkg-config libfuse3-dev)
# The checker's picture is rendered by a real SVG renderer in its test.
command -v rsvg-convert >/dev/null || missing+=(librsvg2-bin)
if [ "${1:-}" = "--all" ]; then
  command -v clang++ >/dev/null || missing+=(clang)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
    missing+=(libclang-rt-14-dev)
  [ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
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
