#!/usr/bin/env bash
# Pictures of the main window for the documentation: its port chooser open; set to TCP/IP against
# the clock simulator serving a bus of three clocks of different models, after a detection; after
# a dump of three records from a clock with a camera, one picture lost; with the traffic pane by
# frames at 1100 x 800; after a detection where nothing answers; and in English. Writes them into
# docs/screenshots/.
#   BUILD_DIR   build directory (default: build)
#   JOBS        parallel build jobs (default: the number of cores)
# The window is shown on a virtual X server (xvfb-run, xcb platform); without xvfb-run it is drawn
# offscreen, which gives the same window without a display.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build}
output=docs/screenshots
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLOCKDIAG_GUI=ON \
  -DCLOCKDIAG_TESTS=ON >/dev/null
cmake --build "$build_dir" -j"${JOBS:-$(nproc)}" --target clockdiag_screenshots clocksim >/dev/null

tool=$build_dir/tests/gui/clockdiag_screenshots
mkdir -p "$output"
# Pictures of an earlier run are not taken for this one's.
pictures=(port-chooser after-detection after-dump traffic-1100x800 nothing-found english)
for picture in "${pictures[@]}"; do rm -f "$output/$picture.png"; done
if command -v xvfb-run >/dev/null 2>&1; then
  # A screen larger than the window, in true colour (xvfb-run's default is 640x480 at 8 bits).
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" "$output"
else
  echo "screenshot: xvfb-run not found, drawing offscreen" >&2
  QT_QPA_PLATFORM=offscreen "$tool" "$output"
fi

for picture in "${pictures[@]}"; do
  file=$output/$picture.png
  [ -s "$file" ] || { echo "screenshot: $file was not written" >&2; exit 1; }
  echo "$file: $(stat -c %s "$file") bytes"
done
