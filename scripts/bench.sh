#!/usr/bin/env bash
# Builds the benchmarks in release mode and prints one table: the pure functions (Google
# Benchmark) and the real-time measurements against clocksim on a pseudo-terminal and loopback
# TCP (bench/realtime/LineBench.cpp). docs/PERFORMANCE.md keeps the last table.
#   --skip-scan   leave out the empty bus scans, default and quick (about three minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLOCKDIAG_BENCH=ON \
  -DCLOCKDIAG_TESTS=OFF -DCLOCKDIAG_GUI=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target clockdiag_bench linebench clocksim clockctl >/dev/null
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
  "$(awk '/MemTotal/{printf "%.0f GB", $2/1048576}' /proc/meminfo), $(uname -sr)"
build-bench/bench/clockdiag_bench --benchmark_min_time=0.2 --benchmark_format=json \
  >build-bench/pure-functions.json 2>/dev/null
build-bench/bench/linebench --pure build-bench/pure-functions.json "$@"
