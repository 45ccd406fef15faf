#!/usr/bin/env bash
# The Windows build's tests, under Wine in Xvfb (run after ./scripts/test.sh, whose native build
# in build/ gives the reference frames): builds with scripts/build-windows.sh, then
#   1. the platform-independent unit tests and the Win32 dialog's test (ctest in build-windows/),
#   2. bad arguments end with status 2, as on Linux,
#   3. sublumen.exe --export writes the same video file as the native build (the same FFmpeg and
#      x264 releases, built from the same sources, encode the same frames and music),
#   4. sublumen.exe --capture at positions in every span, from a little before each span starts,
#      compared frame by frame with the native build's capture: identical, or PSNR >= 40 dB.
# Each run gets a fresh Wine prefix (removed at the end): no crash dialog, a 1920 x 1080 virtual
# desktop (the display modes Windows would list, and a window shown at once).
#
#   scripts/test-windows.sh [--sources DIR]   (passed on to build-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
start=$SECONDS
./scripts/build-windows.sh "$@"
echo "test-windows: built in $((SECONDS - start)) s"

native=${SUBLUMEN_BUILD_DIR:-build}
if [ ! -x "$native/sublumen" ]; then
  cmake --build "$native" -j "$(nproc)" --target sublumen >/dev/null
fi

work=$(mktemp -d /tmp/sublumen-windows-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The tests find lumenvat.dll beside sublumen.exe.
export WINEPATH="Z:${root//\//\\}\\build-windows"
export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export SUBLUMEN_NATIVE=$native WORK=$work

xvfb-run -a -s "-screen 0 1920x1080x24" bash -euo pipefail -c '
prefix_start=$SECONDS
wineboot -i >/dev/null 2>&1
wine reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add "HKCU\\Software\\Wine\\Explorer" /v Desktop /d Default /f >/dev/null 2>&1
wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Default /d 1920x1080 /f >/dev/null 2>&1
wineserver -w
echo "test-windows: Wine prefix made in $((SECONDS - prefix_start)) s"
failed=0

(cd build-windows && ctest --output-on-failure) || failed=1

for arguments in "--bogus" "--fps" "--export show.avi"; do
  status=0
  wine build-windows/sublumen.exe $arguments >"$WORK/args.out" 2>&1 || status=$?
  if [ "$status" -ne 2 ]; then
    echo "test-windows: sublumen.exe $arguments ended with $status, not 2"; cat "$WORK/args.out"; failed=1
  fi
done
echo "test-windows: bad arguments end with status 2"

# A second of the show exported by both builds, given a Windows path on the Windows side.
arguments="--from 95000 --to 96000 --fps 10 --size 320x180"
"$SUBLUMEN_NATIVE/sublumen" --export "$WORK/linux.mp4" $arguments 2>"$WORK/linux.log" || { cat "$WORK/linux.log"; failed=1; }
wine build-windows/sublumen.exe --export "Z:${WORK//\//\\}\\windows.mp4" $arguments 2>"$WORK/windows.log" ||
  { cat "$WORK/windows.log"; failed=1; }
if cmp -s "$WORK/linux.mp4" "$WORK/windows.mp4"; then
  echo "test-windows: the export is the same file as the native one ($(stat -c %s "$WORK/windows.mp4") bytes)"
else
  echo "test-windows: the export differs from the native one"; ls -l "$WORK"/*.mp4; failed=1
fi

# One capture per span: from 400 ms before it starts to 600 ms into it, at 5 frames a second.
for span in 0 96150 123400 150825 178250 219500 231400 246800; do
  from=$(( span >= 400 ? span - 400 : 0 )); to=$((span + 600))
  arguments="--from $from --to $to --fps 5 --size 320x180"
  "$SUBLUMEN_NATIVE/sublumen" --capture "$WORK/linux-$span" $arguments 2>"$WORK/linux.log" ||
    { cat "$WORK/linux.log"; failed=1; }
  wine build-windows/sublumen.exe --capture "Z:$WORK/windows-$span" $arguments 2>"$WORK/windows.log" ||
    { cat "$WORK/windows.log"; failed=1; }
  echo "test-windows: span at $span ms, frames $from to $to:"
  python3 tests/windows/compare_frames.py "$WORK/linux-$span" "$WORK/windows-$span" --min-psnr 40 | sed "s/^/  /" ||
    failed=1
done
wineserver -w
exit $failed
' && status=0 || status=$?
echo "test-windows: $([ $status -eq 0 ] && echo passed || echo FAILED) in $((SECONDS - start)) s"
exit $status
