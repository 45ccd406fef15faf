#!/usr/bin/env bash
# Makes the self-contained folder Sublumen-linux-x86_64/ (and Sublumen-linux-x86_64.tar.gz) from a
# build: the install tree (bin/sublumen, bin/dae-info, lib/sublumen/liblumenvat.so,
# share/sublumen/data.pak, ...) plus, in lib/sublumen, every shared library the programs need
# that a base system with a GL driver does not have (SDL2, libopenmpt, PhysicsFS, TinyXML, the
# FFmpeg libraries and what they need), and the licence notices of what it carries in licences/.
# The programs find the libraries through their RPATH, $ORIGIN/../lib/sublumen.
#
#   scripts/bundle-linux.sh [--build DIR] [--out DIR] [--no-tar]
#
# Left out, as the target's own: the C library, libstdc++ and libgcc_s (every GL driver brings
# them, and an older copy of ours would break a newer driver), OpenGL/EGL/GLX and the libraries
# the GL driver itself needs (X11 and xcb's core, the Wayland client, DRM, GBM). GLU's
# libOpenGL.so.0 is carried: GLVND's thin front, on systems without GLVND too. A carried library
# with a search path of its own (libpulse's) gets $ORIGIN instead (patchelf).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build out=. tar=1
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --no-tar) tar=0; shift ;;
    *) echo "usage: $0 [--build DIR] [--out DIR] [--no-tar]" >&2; exit 2 ;;
    esac
done
name=Sublumen-linux-x86_64
root=$(realpath -m "$out/$name")
lib=$root/lib/sublumen
command -v patchelf >/dev/null || { echo "bundle: patchelf is needed (apt-get install patchelf)" >&2; exit 1; }
rm -rf "$root"
cmake --install "$build" --prefix "$root" --strip >/dev/null
mkdir -p "$root/licences"

system_library() {
    case "$1" in
    linux-vdso.so* | ld-linux*.so* | libc.so* | libm.so* | libdl.so* | librt.so* | libpthread.so* | \
        libresolv.so* | libutil.so* | libstdc++.so* | libgcc_s.so* | \
        libGL.so* | libEGL.so* | libGLX.so* | libGLdispatch.so* | \
        libX11.so* | libX11-xcb.so* | libxcb.so* | libXau.so* | libXdmcp.so* | libXext.so* | \
        libXfixes.so* | libwayland-client.so* | libwayland-server.so* | libdrm.so* | libgbm.so*) return 0 ;;
    esac
    return 1
}

# Where the loader finds each library of the programs' whole graph (one ldd per program), then a
# walk of the NEEDED graph from the programs, carrying each library that is not the system's; a
# system library's own needs are the system's too.
declare -A found
while read -r soname arrow path _; do
    [ "$arrow" = "=>" ] && [ "$path" != "not" ] && found[$soname]=$path
done < <(ldd "$root/bin/sublumen" "$root/bin/dae-info" "$lib/liblumenvat.so")
queue=("$root/bin/sublumen" "$root/bin/dae-info" "$lib/liblumenvat.so")
carried=()
while [ ${#queue[@]} -gt 0 ]; do
    object=${queue[0]}
    queue=("${queue[@]:1}")
    for soname in $(readelf -d "$object" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        system_library "$soname" && continue
        [ -e "$lib/$soname" ] && continue
        path=${found[$soname]:-}
        if [ -z "$path" ]; then
            echo "bundle: $object needs $soname, which is not found" >&2
            exit 1
        fi
        cp -L "$path" "$lib/$soname"
        if readelf -d "$lib/$soname" | grep -q -E '\((RPATH|RUNPATH)\)'; then
            patchelf --set-rpath '$ORIGIN' "$lib/$soname"
        fi
        carried+=("$path")
        queue+=("$lib/$soname")
    done
done

# The notices: ours, and the Debian copyright file of each package a carried library comes from.
cp packaging/linux/copyright "$root/licences/sublumen.copyright"
declare -A realpaths
for path in "${carried[@]}"; do realpaths[$(realpath "$path")]=1; done
{ dpkg -S "${!realpaths[@]}" "${carried[@]}" 2>/dev/null || true; } | sed 's/:[^ ]*: .*//' | sort -u | while read -r package; do
    if [ -e "/usr/share/doc/$package/copyright" ]; then
        cp "/usr/share/doc/$package/copyright" "$root/licences/$package.copyright"
    else
        echo "bundle: no licence notice for $package" >&2
    fi
done

echo "bundle: $root: ${#carried[@]} libraries carried, $(du -sh "$root" | cut -f1)"
if [ "$tar" = 1 ]; then
    tar -C "$(dirname "$root")" -czf "$root.tar.gz" "$name"
    echo "bundle: $root.tar.gz, $(du -h "$root.tar.gz" | cut -f1)"
fi
