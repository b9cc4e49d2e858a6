#!/usr/bin/env bash
# Unpacks the Debian package into a temporary root (dpkg -x, no installation) and runs what it
# holds from there: each program's --version, a detection by the unpacked clockctl against the
# unpacked clocksim (a card clock over TCP, and a face-recognition terminal through the vendor
# libraries of the package), and the unpacked window, offscreen, through its start-up.
#   check-package.sh [PACKAGE]   (default: build-package/clockdiag_*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."

package=${1:-$(ls build-package/clockdiag_*.deb 2>/dev/null | head -n 1)}
[ -f "$package" ] || { echo "check-package: no package (run scripts/package.sh)" >&2; exit 1; }

root=$(mktemp -d)
sims=()
cleanup() {
  for pid in "${sims[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$root"
}
trap cleanup EXIT
fail() {
  echo "check-package: $*" >&2
  exit 1
}

dpkg -x "$package" "$root"
version=$(dpkg-deb --field "$package" Version)
depends=$(dpkg-deb --field "$package" Depends)
for needed in libqt6core6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
  [[ $depends == *"$needed"* ]] || fail "the package does not depend on $needed: $depends"
done

bin=$root/usr/bin
for file in usr/bin/clockctl usr/bin/clockdiag usr/bin/clocksim \
  usr/share/clockdiag/dict/en/MainDict.edf usr/share/clockdiag/dict/en/MsgDict.edf \
  usr/share/clockdiag/dict/fa/MainDict.edf usr/share/clockdiag/pictures/model0.png \
  usr/share/man/man1/clockctl.1 usr/share/man/man1/clockdiag.1 usr/share/man/man1/clocksim.1 \
  usr/share/bash-completion/completions/clockctl usr/share/applications/clockdiag.desktop \
  usr/share/icons/hicolor/48x48/apps/clockdiag.png usr/share/icons/hicolor/256x256/apps/clockdiag.png; do
  [ -s "$root/$file" ] || fail "$file is not in the package"
done
ls "$root"/usr/lib/*/clockdiag/libHwDevComm.so "$root"/usr/lib/*/clockdiag/libHDCP_Utils.so \
  >/dev/null 2>&1 || fail "the vendor libraries are not in <libdir>/clockdiag"

# Nothing of the build or the environment helps the unpacked programs find their files.
unset CLOCKDIAG_HWDEV_LIB_DIR
cd "$root"

for program in clockctl clocksim clockdiag; do
  shown=$("$bin/$program" --version)
  [ "$shown" = "$program $version" ] || fail "$program --version: '$shown', not '$program $version'"
  echo "$shown"
done

# Starts the unpacked clocksim with the arguments given; sets sim_out to its output file.
start_sim() {
  sim_out=$(mktemp -p "$root")
  "$bin/clocksim" "$@" >"$sim_out" 2>&1 &
  sims+=($!)
  for _ in $(seq 100); do
    grep -q '^tcp ' "$sim_out" && return 0
    sleep 0.1
  done
  cat "$sim_out" >&2
  fail "clocksim did not start"
}

start_sim --tcp 0
port=$(awk '/^tcp /{print $2}' "$sim_out")
detected=$("$bin/clockctl" --tcp "127.0.0.1:$port" --search KRTal --max-clock 1 detect) ||
  fail "detect over TCP failed"
[[ $detected == *"KR-Tal 100"* ]] || fail "detect found no KR-Tal: $detected"
echo "detect: $detected"

# The face-recognition terminal is reached through the package's own vendor libraries; its port
# is fixed, so it gets a loopback address of its own.
address=127.0.$((RANDOM % 200 + 20)).$((RANDOM % 200 + 20))
start_sim --tcp 0 --mira-terminal "$address:9922"
detected=$("$bin/clockctl" --tcp "$address" --search KRMira detect) ||
  fail "detect of the face-recognition terminal failed (vendor libraries not found?)"
echo "detect: $detected"

QT_QPA_PLATFORM=offscreen timeout 60 "$bin/clockdiag" --quit-after-start ||
  fail "the window did not start and quit by itself"
echo "clockdiag: started offscreen and quit"
echo "check-package: $(basename "$package") is complete and its programs run"
