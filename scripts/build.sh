#!/usr/bin/env bash
# Configures and builds everything into build/ (or $SUBLUMEN_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SUBLUMEN_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$build" -j "$(nproc)"
