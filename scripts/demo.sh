#!/usr/bin/env bash
# Runs the tool on its built-in default: the clock simulator on a pseudo-terminal, and the command
# line asking it for its status over that line.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target clockctl clocksim >/dev/null

workdir=$(mktemp -d)
trap 'kill $sim_pid 2>/dev/null || true; rm -rf "$workdir"' EXIT
build/sim/clocksim --pty --tcp 0 >"$workdir/sim.out" &
sim_pid=$!
for _ in $(seq 50); do grep -q '^pty ' "$workdir/sim.out" 2>/dev/null && grep -q '^tcp ' "$workdir/sim.out" && break; sleep 0.1; done
pty=$(awk '/^pty /{print $2}' "$workdir/sim.out")
tcp=$(awk '/^tcp /{print $2}' "$workdir/sim.out")
echo "Simulated clock on $pty (as COM1) and on 127.0.0.1:$tcp"

echo "Status over the serial line:"
CLOCKDIAG_COM1=$pty build/src/cli/clockctl --port COM1 --trace send 01 --reply-length 1
echo "Status over TCP/IP:"
build/src/cli/clockctl --tcp "127.0.0.1:$tcp" --trace send 01 --reply-length 1
echo "Identification:"
build/src/cli/clockctl --tcp "127.0.0.1:$tcp" send 18 --reply-length 26 --reply-start 010101
echo "Detection of clocks, record dumps and the window arrive in later versions of this demo."
