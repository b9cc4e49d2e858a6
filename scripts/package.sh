#!/usr/bin/env bash
# Builds a release of the programs and the Debian package made of it:
#   build-package/clockdiag_<version>_<arch>.deb
# Installs what the build needs first (scripts/install-deps.sh). scripts/check-package.sh unpacks
# the package and runs its programs.
#   BUILD_DIR   build directory (default: build-package)
#   JOBS        parallel build jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build-package}
# The programs are built for /usr, where the package puts them; they find their files relative to
# their own place all the same, wherever the package is unpacked.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCLOCKDIAG_GUI=ON -DCLOCKDIAG_TESTS=OFF -DCLOCKDIAG_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"${JOBS:-$(nproc)}"
rm -f "$build_dir"/clockdiag_*.deb
(cd "$build_dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$build_dir/cpack.log" >&2; exit 1; }
package=$(ls "$build_dir"/clockdiag_*.deb)
echo "$package"
dpkg-deb --field "$package" Package Version Architecture Depends
