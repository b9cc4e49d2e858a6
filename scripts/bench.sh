#!/usr/bin/env bash
# Builds the benchmarks in release mode and prints one table of results.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLOCKDIAG_BENCH=ON \
  -DCLOCKDIAG_TESTS=OFF -DCLOCKDIAG_GUI=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target clockdiag_bench >/dev/null
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
build-bench/bench/clockdiag_bench --benchmark_min_time=0.2 2>/dev/null
