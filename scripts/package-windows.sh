#!/usr/bin/env bash
# Packs the Windows build into Sublumen-win64.zip (in build-windows/): sublumen.exe, lumenvat.dll
# and data.pak in one folder, a README.txt, and the licence notices of the libraries linked in
# (Debian's copyright files of the very releases the build compiled). Builds first when
# build-windows/ has no program yet.
#
#   scripts/package-windows.sh [--sources DIR]   (passed on to build-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
windows=build-windows
if [ ! -f "$windows/sublumen.exe" ] || [ ! -f "$windows/lumenvat.dll" ] || [ ! -f "$windows/data.pak" ]; then
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
  kissfft:libkissfft-float131 libdeflate:libdeflate0 zlib:zlib1g
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
  sublumen.exe --help                         every option

The log is written to %LOCALAPPDATA%\Sublumen\sublumen.log (or --log FILE).
Video export (--export) is part of the Linux build only.

The libraries built into the program and their licences are listed in the licences folder.
TEXT
sed -i 's/$/\r/' "$stage/README.txt"

(cd "$windows/package" && zip -q -r -X ../Sublumen-win64.zip Sublumen)
echo "package-windows: $windows/Sublumen-win64.zip ($(du -h "$windows/Sublumen-win64.zip" | cut -f1))"
