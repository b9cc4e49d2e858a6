#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS seconds (default 30) with its seed corpus.
# Crashes are left in build-fuzz/crashes/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
scripts/install-deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCLOCKDIAG_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"
status=0
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus" "build-fuzz/crashes/$name"
  [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" "$corpus" -max_total_time="$seconds" -artifact_prefix="build-fuzz/crashes/$name/" \
      -print_final_stats=0 >"build-fuzz/$name.log" 2>&1; then
    echo "fuzz: $name found a crash; see build-fuzz/$name.log" >&2
    status=1
  fi
done
exit $status
