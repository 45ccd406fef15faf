#!/usr/bin/env bash
# Installs every Debian package the build, the demo and the tests need.
# Idempotent: packages already present are left alone. Uses sudo when not root.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake pkg-config
  # engine and system libraries
  libsdl2-dev libtinyxml-dev libopenmpt-dev libphysfs-dev libstb-dev libkissfft-dev zlib1g-dev
  libgtk-3-dev libgl-dev libglu1-mesa-dev
  # the capture's PNG encoder (libdeflate); libpng checks its files in the tests
  libdeflate-dev libpng-dev
  # the export's video file (FFmpeg: containers, encoders with libx264, colour conversion)
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  # GL and display for headless runs: Mesa (llvmpipe) under Xvfb
  libgl1-mesa-dri libglx-mesa0 xvfb xauth xdotool x11-utils
  # fonts rasterised by the content generators (the banner's title is DejaVu Sans ExtraLight,
  # from fonts-dejavu-extra); the setup dialog's font (Arial's metrics, so its labels fit the
  # dialog's table)
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation2
  # X core fonts: SDL draws its error boxes with them, and shows none without
  xfonts-base
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # the fuzzing harnesses: clang with libFuzzer and the sanitizers
  clang libclang-rt-14-dev
  # module players used to check the generated music
  openmpt123 xmp
  # the install and bundle tests: the desktop entry's and the metainfo's validators, and
  # scripts/bundle-linux.sh's search-path rewriting
  desktop-file-utils appstream patchelf
  # the lettering of the opening's title and credit cards (tools/images)
  fonts-lato
)

. "$(dirname "$0")/install_packages.sh"
install_missing_packages setup "${packages[@]}"
