#!/usr/bin/env bash
# Packs the Windows build into Sublumen-win64.zip (in build-windows/): sublumen.exe, lumenvat.dll
# and data.pak in one folder, a README.txt, and the licence notices of the libraries linked in
# (Debian's copyright files of the very releases the build compiled, and the list of those source
# packages). Builds first when build-windows/ has no program yet.
#
#   scripts/package-windows.sh [--sources DIR]   (passed on to build-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
windows=build-windows
if [ ! -f "$windows/sublumen.exe" ] || [ ! -f "$windows/lumenvat.dll" ] || [ ! -f "$windows/data.pak" ] ||
   [ ! -f "$windows/library-sources.txt" ]; then
  ./scripts/build-windows.sh "$@"
fi

stage=$windows/package/Sublumen
rm -rf "$windows/package" "$windows/Sublumen-win64.zip"
mkdir -p "$stage/licences"
# Without the debugging sections: the same code, a fraction of the size.
x86_64-w64-mingw32-strip -o "$stage/sublumen.exe" "$windows/sublumen.exe"
x86_64-w64-mingw32-strip -o "$stage/lumenvat.dll" "$windows/lumenvat.dll"
cp "$windows/data.pak" "$stage/"

# The notices: library, then the Debian package whose copyright file covers its source.
notices=(
  SDL2:libsdl2-2.0-0 PhysicsFS:libphysfs1 libopenmpt:libopenmpt0 TinyXML:libtinyxml2.6.2v5
  kissfft:libkissfft-float131 libdeflate:libdeflate0 zlib:zlib1g FFmpeg:libavcodec59 x264:libx264-164
  mingw-w64-runtime-and-winpthreads:mingw-w64-common GCC-runtime-libraries:gcc-mingw-w64-base
)
for notice in "${notices[@]}"; do
  name=${notice%%:*} package=${notice#*:}
  file=/usr/share/doc/$package/copyright
  if [ ! -f "$file" ]; then
    echo "package-windows: $file is missing (install $package)" >&2
    exit 1
  fi
  cp "$file" "$stage/licences/$name.txt"
done
# The licences those files name by reference. FFmpeg is built with x264, under the GPL: its
# source, and x264's, are the Debian source packages written into SOURCES.txt.
cp /usr/share/common-licenses/GPL-2 "$stage/licences/GPL-2.txt"
cp /usr/share/common-licenses/LGPL-2.1 "$stage/licences/LGPL-2.1.txt"
{
  echo "The libraries in sublumen.exe and lumenvat.dll were compiled from these Debian source"
  echo "packages, as PACKAGE VERSION (apt-get source PACKAGE=VERSION, or sources.debian.org):"
  echo
  sed 's/^/  /' "$windows/library-sources.txt"
} > "$stage/licences/SOURCES.txt"

cat > "$stage/README.txt" <<'TEXT'
Sublumen - a real-time audiovisual production for Windows (64-bit)

Run sublumen.exe. The setup dialog asks for the resolution, refresh rate, picture aspect,
"Fullscreen" and "Always on top"; "Play" (or Enter) starts the show, "Quit" (or Escape) leaves.
sublumen.exe, lumenvat.dll and data.pak must stay in the same folder. An OpenGL driver is
needed (any current graphics driver); nothing else has to be installed.

Keys during the show
  Escape            fades picture and sound out and quits
  F1 + Left/Right   seeks one second per frame

From a command prompt
  sublumen.exe --window --size 1280x720       a window, without the dialog
  sublumen.exe --fullscreen                   the desktop's mode, without the dialog
  sublumen.exe --capture frames --from 0 --to 10000 --fps 30 --size 1280x720
                                              renders those positions into frames\000000.png, ...
  sublumen.exe --export show.mp4 --from 0 --to 281200 --fps 60 --size 1920x1080
                                              the show as a video file with its music (H.264;
                                              AAC in .mp4 and .mov, FLAC in .mkv)
  sublumen.exe --help                         every option

The log is written to %LOCALAPPDATA%\Sublumen\sublumen.log (or --log FILE).

The libraries built into the program and their licences are listed in the licences folder;
SOURCES.txt there names the source packages they were compiled from.
TEXT
sed -i 's/$/\r/' "$stage/README.txt" "$stage/licences/SOURCES.txt"

(cd "$windows/package" && zip -q -r -X ../Sublumen-win64.zip Sublumen)
echo "package-windows: $windows/Sublumen-win64.zip ($(du -h "$windows/Sublumen-win64.zip" | cut -f1))"
