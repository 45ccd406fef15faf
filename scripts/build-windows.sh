#!/usr/bin/env bash
# Cross-builds the Windows program with mingw-w64 into build-windows/: sublumen.exe, the engine
# lumenvat.dll and data.pak, the very archive of the native build (the content generators run on
# this machine). The C++ runtime is linked statically: the folder runs on a bare Windows.
#
# The libraries are Debian's own source packages (fetched with a private apt state, so the
# machine's package lists are never touched), cross-built once into a cache keyed by their
# versions, the compiler and the flags:
#   ${SUBLUMEN_WINDOWS_CACHE:-~/.cache/sublumen-windows}/<key>/   (a prefix: include/, lib/)
# PhysicsFS's and zlib's tarballs are not served by every mirror: when `apt-get source` fails they
# are taken from the offline folder (--sources DIR, default ../shared/sources beside the
# repository), whose README gives each file's SHA-256, checked here.
#
#   scripts/build-windows.sh [--sources DIR] [--deps-only]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

sources_dir=$root/../shared/sources
deps_only=0
while [ $# -gt 0 ]; do
  case $1 in
    --sources) sources_dir=$2; shift 2 ;;
    --deps-only) deps_only=1; shift ;;
    *) echo "build-windows: unknown argument $1" >&2; exit 2 ;;
  esac
done

# --- packages ---------------------------------------------------------------------------------
packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          mingw-w64-x86-64-dev dpkg-dev xz-utils nasm pkg-config wine wine64 xvfb xauth zip unzip libstb-dev)
. "$root/scripts/install_packages.sh"
install_missing_packages build-windows "${packages[@]}"

# --- the libraries ----------------------------------------------------------------------------
host=x86_64-w64-mingw32
cc=$host-gcc-posix
cxx=$host-g++-posix
cflags="-O2"
# Source package, version and what it builds; the versions are Debian 12's.
sdl2=libsdl2=2.26.5+dfsg-1
openmpt=libopenmpt=0.6.9-1
tinyxml=tinyxml=2.6.2-6+deb12u1
kissfft=kissfft=131.1.0-4.1~deb12u1
deflate=libdeflate=1.14-1
physfs=physfs=3.0.2-6
zlib=zlib=1:1.2.13.dfsg-1
x264=x264=2:0.164.3095+gitbaee400-3
ffmpeg=ffmpeg=7:5.1.9-0+deb12u1
recipe_version=3   # raise when a recipe below changes what it builds
key=$( { echo "$sdl2 $openmpt $tinyxml $kissfft $deflate $physfs $zlib $x264 $ffmpeg $recipe_version"
         $cxx --version | head -1; echo "$cflags"; } | sha256sum | cut -c1-16)
cache=${SUBLUMEN_WINDOWS_CACHE:-$HOME/.cache/sublumen-windows}
prefix=$cache/$key

build_dependencies() {
  local work=$cache/work-$key
  rm -rf "$work"
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/sources.list.d" "$work/src"
  # Debian's source archive beside the binary one this machine uses.
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$work/apt/sources.list.d/debian.sources"
  else
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      > "$work/apt/sources.list.d/debian.sources"
  fi
  cat > "$work/apt/apt.conf" <<EOF
Dir::State::Lists "$work/apt/lists";
Dir::Cache "$work/apt/cache";
Dir::Etc::SourceList "/dev/null";
Dir::Etc::SourceParts "$work/apt/sources.list.d";
APT::Sandbox::User "root";
EOF
  export APT_CONFIG=$work/apt/apt.conf
  apt-get update -qq
  cd "$work/src"
  local p
  for p in "$sdl2" "$openmpt" "$tinyxml" "$kissfft" "$deflate" "$x264" "$ffmpeg"; do
    fetch_source "$p" || exit 1
  done
  # PhysicsFS and zlib: the archive first, then the offline tarballs.
  fetch_or_offline "$physfs" physfs-3.0.2.tar.xz
  fetch_or_offline "$zlib" zlib-1.2.13.tar.xz
  unset APT_CONFIG

  local stage=$work/prefix
  mkdir -p "$stage/include" "$stage/lib"
  local cmake_cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64.cmake -DSUBLUMEN_WINDOWS_PREFIX=$stage
                     -DCMAKE_BUILD_TYPE=Release "-DCMAKE_C_FLAGS_RELEASE=$cflags" "-DCMAKE_CXX_FLAGS_RELEASE=$cflags"
                     -DCMAKE_INSTALL_PREFIX=$stage -DCMAKE_INSTALL_INCLUDEDIR=include -DCMAKE_INSTALL_LIBDIR=lib)

  # Two lines of libraries built at once: a configure script or a link keeps one core busy, and
  # the other line fills the second.
  (
    echo "build-windows: SDL2"
    # Only the subsystems the engine uses (video with OpenGL, audio, events, timers): no
    # renderers, joysticks, haptics or sensors.
    cmake -S libsdl2-* -B b-sdl2 "${cmake_cross[@]}" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
      -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF \
      -DSDL_LOCALE=OFF -DSDL_MISC=OFF >/dev/null
    cmake --build b-sdl2 -j "$(nproc)" --target install >/dev/null

    echo "build-windows: libopenmpt"
    mkdir -p b-openmpt
    (cd b-openmpt && PKG_CONFIG_LIBDIR=$stage/lib/pkgconfig CXXFLAGS="$cflags" CFLAGS="$cflags" \
       ../libopenmpt-*/configure --host=$host CC="$cc" CXX="$cxx" --prefix="$stage" \
         --enable-static --disable-shared --disable-openmpt123 --disable-examples --disable-tests \
         --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis \
         --without-vorbisfile --without-pulseaudio --without-portaudio --without-portaudiocpp \
         --without-sndfile --without-flac >/dev/null
     make -j "$(nproc)" >/dev/null && make install >/dev/null)
  ) &
  local first=$!
  (
    echo "build-windows: zlib"
    cmake -S zlib-* -B b-zlib "${cmake_cross[@]}" -Wno-dev >/dev/null 2>&1
    cmake --build b-zlib -j "$(nproc)" --target zlibstatic >/dev/null
    cp b-zlib/libzlibstatic.a "$stage/lib/libz.a"
    cp zlib-*/zlib.h b-zlib/zconf.h "$stage/include/"

    echo "build-windows: PhysicsFS"
    cmake -S physfs-* -B b-physfs "${cmake_cross[@]}" \
      -DPHYSFS_BUILD_SHARED=OFF -DPHYSFS_BUILD_TEST=OFF -DPHYSFS_BUILD_DOCS=OFF >/dev/null
    cmake --build b-physfs -j "$(nproc)" --target install >/dev/null

    echo "build-windows: libdeflate"
    make -C libdeflate-* -j "$(nproc)" CC="$cc" AR=$host-ar CFLAGS="$cflags" STATIC_LIB_SUFFIX=.a libdeflate.a >/dev/null
    cp libdeflate-*/libdeflate.a "$stage/lib/"
    cp libdeflate-*/libdeflate.h "$stage/include/"

    echo "build-windows: kissfft"
    cmake -S kissfft-* -B b-kissfft "${cmake_cross[@]}" \
      -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF -DKISSFFT_PKGCONFIG=OFF -DKISSFFT_DATATYPE=float >/dev/null
    cmake --build b-kissfft -j "$(nproc)" --target install >/dev/null

    echo "build-windows: TinyXML"
    local f
    mkdir -p b-tinyxml
    for f in tinyxml tinystr tinyxmlerror tinyxmlparser; do
      "$cxx" $cflags -DTIXML_USE_STL -c tinyxml-*/$f.cpp -o b-tinyxml/$f.o
    done
    $host-ar rcs "$stage/lib/libtinyxml.a" b-tinyxml/*.o
    cp tinyxml-*/tinyxml.h tinyxml-*/tinystr.h "$stage/include/"

    # The export's encoders: x264 (8-bit, its library only) and as little of FFmpeg as the export
    # uses: H.264 through libx264, AAC and FLAC, the MP4, MOV and Matroska muxers, files, swscale.
    echo "build-windows: x264"
    mkdir -p b-x264
    (cd b-x264 && quietly ../x264.log env CC="$cc" ../x264-*/configure --host=$host --cross-prefix=$host- \
         --prefix="$stage" --enable-static --disable-cli --disable-opencl --disable-lavf --disable-swscale \
         --disable-ffms --disable-gpac --disable-lsmash --bit-depth=8 --extra-cflags="$cflags"
     quietly ../x264.log make -j "$(nproc)"
     quietly ../x264.log make install-lib-static)

    echo "build-windows: FFmpeg"
    mkdir -p b-ffmpeg
    (cd b-ffmpeg && quietly ../ffmpeg.log env PKG_CONFIG_LIBDIR=$stage/lib/pkgconfig ../ffmpeg-*/configure \
         --prefix="$stage" --enable-cross-compile --arch=x86_64 --target-os=mingw32 --cross-prefix=$host- \
         --cc="$cc" --cxx="$cxx" --pkg-config=pkg-config --pkg-config-flags=--static --extra-cflags="$cflags" \
         --enable-static --disable-shared --disable-programs --disable-doc --disable-debug --disable-autodetect \
         --enable-w32threads --disable-network --disable-avdevice --disable-avfilter --disable-swresample \
         --disable-postproc --disable-everything --enable-gpl --enable-libx264 \
         --enable-encoder=libx264,aac,flac --enable-muxer=mp4,mov,matroska --enable-protocol=file
     quietly ../ffmpeg.log make -j "$(nproc)"
     quietly ../ffmpeg.log make install)

    echo "build-windows: GoogleTest (Debian's googletest sources in /usr/src)"
    cmake -S /usr/src/googletest -B b-gtest "${cmake_cross[@]}" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF >/dev/null
    cmake --build b-gtest -j "$(nproc)" --target install >/dev/null
  ) &
  local second=$!
  local failed=0
  wait $first || failed=1
  wait $second || failed=1
  if [ $failed -ne 0 ]; then
    echo "build-windows: a library did not build (its output is above)" >&2
    exit 1
  fi

  # stb is headers only.
  mkdir -p "$stage/include/stb" && cp /usr/include/stb/stb_image.h "$stage/include/stb/"
  # What was built, for the package's notices.
  cp sources.txt "$stage/SOURCES"

  cd "$root"
  rm -rf "$prefix"
  mv "$stage" "$prefix"
  rm -rf "$work"
}

# Runs a build step with its output in LOG, shown (the end of it) only when the step fails.
quietly() {
  local log=$1; shift
  if ! "$@" >>"$log" 2>&1; then
    tail -40 "$log" >&2
    echo "build-windows: failed: $* (the whole output: $log)" >&2
    return 1
  fi
}

# Fetches a source package (PACKAGE=VERSION) into the current folder and notes its version in
# sources.txt. A release the archive no longer serves (a point release or a security update
# replaced it) gives way to the one it serves now, with a warning: the pin above wants raising.
fetch_source() {
  local package=${1%%=*}
  if ! apt-get source -qq "$1" >/dev/null 2>&1; then
    apt-get source -qq "$package" >/dev/null 2>&1 || return 1
    echo "build-windows: warning: the archive no longer serves $1; built its current release (update the pin)" >&2
  fi
  echo "$package $(sed -n 's/^Version: //p' "${package}"_*.dsc | head -1)" >> sources.txt
}

# Fetches a source package, or unpacks the offline tarball of the same release after checking it.
fetch_or_offline() {
  local package=$1 tarball=$2
  if fetch_source "$package"; then
    return
  fi
  local file=$sources_dir/$tarball
  if [ ! -f "$file" ]; then
    echo "build-windows: $package is not in the source archive and $file is missing (use --sources DIR)" >&2
    exit 1
  fi
  local expected actual
  expected=$(grep -F "| $tarball |" "$sources_dir/README.md" | grep -oE '[0-9a-f]{64}' | tail -1)
  actual=$(sha256sum "$file" | cut -d' ' -f1)
  if [ -z "$expected" ] || [ "$expected" != "$actual" ]; then
    echo "build-windows: $file: SHA-256 $actual does not match the README's ${expected:-(none)}" >&2
    exit 1
  fi
  echo "build-windows: $package from $file"
  echo "${package%%=*} $tarball (the upstream release, as Debian's source package of ${package#*=} carries it)" >> sources.txt
  tar xf "$file"
}

if [ -f "$prefix/.complete" ]; then
  echo "build-windows: libraries from $prefix"
else
  echo "build-windows: cross-building the libraries into $prefix"
  start=$SECONDS
  build_dependencies
  touch "$prefix/.complete"
  echo "build-windows: libraries built in $((SECONDS - start)) s"
fi
[ "$deps_only" -eq 1 ] && exit 0

# --- the archive and the resource images: made natively ------------------------------------------
native=${SUBLUMEN_BUILD_DIR:-build}
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} >/dev/null
fi
cmake --build "$native" -j "$(nproc)" --target pak program_resources >/dev/null
native=$(cd "$native" && pwd)

# --- the program -------------------------------------------------------------------------------
windows=build-windows
cmake -S . -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DSUBLUMEN_WINDOWS_PREFIX="$prefix" \
  -DSUBLUMEN_HOST_BUILD="$native" -DCMAKE_CROSSCOMPILING_EMULATOR=wine >/dev/null
cmake --build "$windows" -j "$(nproc)"
cp "$prefix/SOURCES" "$windows/library-sources.txt"
echo "build-windows: $windows/sublumen.exe, $windows/lumenvat.dll, $windows/data.pak"
