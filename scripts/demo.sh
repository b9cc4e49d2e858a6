#!/usr/bin/env bash
# The tool on its built-in default: the clock simulator serves an RS485 bus of three clocks of
# different models, each holding records, over TCP and over a pseudo-terminal that the tool knows
# as COM1. The command line finds the clocks and dumps three records from the first one; where the
# window program is built and a display is available, the window is opened on COM1 instead.
#   BUILD_DIR   build directory (default: build); configured and built when needed
#   DEMO_CLI=1  use the command line even when the window could be shown
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
workdir=$(mktemp -d)
sim_pid=
stop_simulator() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$workdir"
}
trap stop_simulator EXIT

# Quiet unless it fails.
run_logged() {
  if ! "$@" >"$workdir/build.log" 2>&1; then
    cat "$workdir/build.log" >&2
    exit 1
  fi
}
scripts/install-deps.sh
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  echo "Configuring $build_dir ..."
  run_logged cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
echo "Building clockctl and clocksim ..."
run_logged cmake --build "$build_dir" --target clockctl clocksim
clockctl="$build_dir/src/cli/clockctl"
clocksim="$build_dir/sim/clocksim"
window="$build_dir/src/app/clockdiag"

# The bus: a KR-Tal with three sample records, a KR-Corax with two, a Lumen with one record.
cat >"$workdir/demo.scenario" <<'EOF'
protocol RS485
clock 1
name KR-Tal 100
firmware VER 3.10
datetime now
samples 3
clock 2
name KR-Corax 5
firmware VER 4.20
datetime now
samples 2
clock 3
name LUMEN 7
datetime now
samples 1
EOF

"$clocksim" --scenario "$workdir/demo.scenario" --tcp 0 --pty >"$workdir/sim.out" 2>"$workdir/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  grep -q '^pty ' "$workdir/sim.out" 2>/dev/null && grep -q '^tcp ' "$workdir/sim.out" && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$workdir/sim.err" >&2; exit 1; }
  sleep 0.1
done
pty=$(awk '/^pty /{print $2}' "$workdir/sim.out")
tcp=$(awk '/^tcp /{print $2}' "$workdir/sim.out")
[ -n "$pty" ] && [ -n "$tcp" ] || { echo "clocksim did not start" >&2; exit 1; }
export CLOCKDIAG_COM1=$pty
echo "Simulated RS485 bus of clocks 1 to 3 on 127.0.0.1:$tcp and on $pty (as COM1)"

if [ "${DEMO_CLI:-0}" != 1 ] && [ -x "$window" ] && [ -n "${DISPLAY:-}" ]; then
  echo "Opening the window: choose the search \"KR-Tal\" and the port COM1, then detect and dump."
  "$window"
  exit 0
fi

# Three clocks on the bus: the scan stops at 3 instead of probing all 32 numbers.
echo
echo "clockctl --tcp 127.0.0.1:$tcp --search KRTal --max-clock 3 detect"
echo "(number, type, name, firmware, date, time)"
"$clockctl" --tcp "127.0.0.1:$tcp" --search KRTal --max-clock 3 detect

echo
echo "clockctl --port COM1 --search KRTal --max-clock 3 dump --out $workdir/records.csv"
echo "(card, date, time, entry/exit, type1, type2, sequence)"
"$clockctl" --port COM1 --search KRTal --max-clock 3 dump --out "$workdir/records.csv"
echo
echo "Written before each record was removed from the clock ($workdir/records.csv):"
cat "$workdir/records.csv"
