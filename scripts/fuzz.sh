#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS seconds (default 30) with its seed corpus: the seeds
# written from the simulator's traffic (build-fuzz/fuzz/seed_corpora), the committed ones in
# fuzz/corpus/<target>/ and, for the dictionary, the dictionary files of the program.
# Crashes are left in build-fuzz/crashes/<target>/; the exit status is 1 when any target found one.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
scripts/install-deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCLOCKDIAG_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"
# Leaks of one input would be reported as crashes of the next ones; the sanitizers stop at the
# first error so that the artifact is the input that caused it.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
build-fuzz/fuzz/seed_corpora build-fuzz/seeds >/dev/null
status=0
for target in build-fuzz/fuzz/fuzz_*; do
  # Programs only (the build also leaves fuzz_*_autogen folders here).
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus" "build-fuzz/crashes/$name"
  for seeds in "build-fuzz/seeds/$name" "fuzz/corpus/$name"; do
    [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  done
  if [ "$name" = fuzz_dictionary ]; then
    for dict in src/app/dict/*/*.edf; do
      if [ -f "$dict" ]; then
        cp -n "$dict" "$corpus/$(basename "$(dirname "$dict")")-$(basename "$dict")" || true
      fi
    done
  fi
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" "$corpus" -max_total_time="$seconds" -timeout=60 \
      -artifact_prefix="build-fuzz/crashes/$name/" -print_final_stats=1 \
      >"build-fuzz/$name.log" 2>&1; then
    echo "fuzz: $name found a crash; see build-fuzz/$name.log" >&2
    status=1
  fi
  runs=$(awk '/stat::number_of_executed_units/{print $2}' "build-fuzz/$name.log")
  echo "fuzz: $name ran ${runs:-?} inputs, corpus $(ls "$corpus" | wc -l) files"
done
exit $status
