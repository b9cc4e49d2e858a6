#!/usr/bin/env bash
# Installs from Debian's packages whatever the build and the tests need and the machine lacks,
# then the npm packages the end-to-end tests use as peers (tests/peers/zk-npm).
# Idempotent and quiet when everything is there; works as root and through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-serialport-dev
  clang libclang-rt-dev clang-format
)
# The window program and its tests.
packages+=(libgl-dev fonts-noto-core fonts-noto-ui-core xvfb xauth)
# Man pages written from the programs' help, and the tools that check what the package installs
# (the pages as man shows them, the desktop entry).
packages+=(help2man man-db desktop-file-utils)
# The Debian package: CPack's DEB generator, with dpkg-shlibdeps for the library dependencies.
packages+=(dpkg-dev file)
# Public npm clients of the port-4370 protocol read clocksim's terminal in the end-to-end tests.
command -v node >/dev/null 2>&1 || packages+=(nodejs npm)

# The npm peers, from the committed lock file, whenever node_modules is missing or older than it.
install_npm_peers() {
  local dir=tests/peers/zk-npm
  command -v npm >/dev/null 2>&1 || return 0
  [ "$dir/node_modules/.package-lock.json" -nt "$dir/package-lock.json" ] && return 0
  echo "install-deps: installing the npm packages of $dir" >&2
  (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  install_npm_peers
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq >/dev/null
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
install_npm_peers
