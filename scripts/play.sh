#!/usr/bin/env bash
# Command 1: set up, build, play. Without a display it renders a short capture instead.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
build=${SUBLUMEN_BUILD_DIR:-build}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/sublumen" "$@"
fi
out=${SUBLUMEN_CAPTURE_DIR:-$build/capture}
echo "play: no display; rendering 10 seconds at 30 fps into $out instead"
xvfb-run -a -s "-screen 0 1920x1080x24" "$build/sublumen" --capture "$out" --from 0 --to 10000 --fps 30 "$@"
echo "play: frames are in $out (000000.png ...)"
