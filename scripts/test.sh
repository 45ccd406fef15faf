#!/usr/bin/env bash
# Command 2: set up, build, and run every test headless under Xvfb (Mesa llvmpipe).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
build=${SUBLUMEN_BUILD_DIR:-build}
# Software GL, whatever the machine: the tests read pixels back and compare them.
export LIBGL_ALWAYS_SOFTWARE=1
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
cd "$build"
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j "$(nproc)" "$@"
